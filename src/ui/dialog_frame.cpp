// The frame of the launcher's windows: centred, with the launcher's icon.
#include "ui/dialog_frame.h"
#include "res/resource.h"

POINT CentredPosition(const RECT& reference, const RECT& window) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const LONG referenceWidth = reference.right - reference.left;
    const LONG referenceHeight = reference.bottom - reference.top;
    // Signed halving: a dialog larger than its reference gets a negative offset.
    return POINT{reference.left + (referenceWidth - width) / 2,
                 reference.top + (referenceHeight - height) / 2};
}

void CentreAndDecorate(HWND dialog, HINSTANCE module) {
    HWND reference = GetParent(dialog);
    if (reference == nullptr) {
        reference = GetDesktopWindow();
    }
    RECT referenceRect = {};
    RECT dialogRect = {};
    GetWindowRect(reference, &referenceRect);
    GetWindowRect(dialog, &dialogRect);
    const POINT position = CentredPosition(referenceRect, dialogRect);
    SetWindowPos(dialog, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE);

    if (module != nullptr && dialog != nullptr) {
        IconHandle smallIcon(static_cast<HICON>(LoadImageW(
            module, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
            GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
        IconHandle bigIcon(static_cast<HICON>(
            LoadImageW(module, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
        if (smallIcon.IsValid() && bigIcon.IsValid()) {
            // The window holds them from here on, until ReleaseIcons.
            SendMessageW(dialog, WM_SETICON, ICON_SMALL,
                         reinterpret_cast<LPARAM>(smallIcon.Release()));
            SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Release()));
        }
    }
}

void ReleaseIcons(HWND window) {
    const IconHandle smallIcon(
        reinterpret_cast<HICON>(SendMessageW(window, WM_SETICON, ICON_SMALL, 0)));
    const IconHandle bigIcon(
        reinterpret_cast<HICON>(SendMessageW(window, WM_SETICON, ICON_BIG, 0)));
}
