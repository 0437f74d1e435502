// The installed flag in the user's registry.
#include "app/installed_state.h"
#include "base/resource_string.h"
#include "base/unique_handle.h"
#include "res/resource.h"

std::wstring InstalledStateKey(const std::wstring& vendor, const std::wstring& product) {
    return L"Software\\Microsoft\\" + vendor + L"\\" + product;
}

bool IsProductInstalled(HINSTANCE module) {
    const std::wstring vendor = LoadResourceString(module, IDS_VENDOR_NAME);
    const std::wstring product = LoadResourceString(module, IDS_PRODUCT_NAME);
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, InstalledStateKey(vendor, product).c_str(), 0,
                      KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
        return false;
    }
    // Zeroed first: a REG_DWORD stored with fewer than four bytes then reads
    // as the bytes it has rather than as stack garbage.
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    const LSTATUS status = RegQueryValueExW(key.Get(), L"installed", nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size);
    return status == ERROR_SUCCESS && type == REG_DWORD && value == 1;
}
