#include "setup_image.h"
#include "file_io.h"

// The reader's interface identifier is defined in this file.
#include <initguid.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

const wchar_t kAsmV1[] = L"urn:schemas-microsoft-com:asm.v1";
const wchar_t kAsmV3[] = L"urn:schemas-microsoft-com:asm.v3";
const wchar_t kWindowsSettings2005[] = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
const wchar_t kXmlns[] = L"http://www.w3.org/2000/xmlns/";

using Attributes = std::map<std::wstring, std::wstring>;

struct Element {
    // Each step is "{namespace}name", from the root down.
    std::wstring path;
    Attributes attributes;
    std::wstring text;
};

struct Document {
    Attributes declaration;
    std::vector<Element> elements;
    std::wstring error;
};

template <typename Interface> class ComPtr {
  public:
    ComPtr() = default;
    explicit ComPtr(Interface* pointer) : pointer_(pointer) {}
    ~ComPtr() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* operator->() const {
        return pointer_;
    }
    Interface* Get() const {
        return pointer_;
    }
    Interface** Receive() {
        return &pointer_;
    }

  private:
    Interface* pointer_ = nullptr;
};

std::wstring Step(const wchar_t* namespaceUri, const wchar_t* name) {
    return L"{" + std::wstring(namespaceUri) + L"}" + name;
}

bool ReadAttributes(IXmlReader* reader, Attributes& attributes) {
    HRESULT hr = reader->MoveToFirstAttribute();
    while (hr == S_OK) {
        const wchar_t* namespaceUri = nullptr;
        const wchar_t* name = nullptr;
        const wchar_t* value = nullptr;
        if (FAILED(reader->GetNamespaceUri(&namespaceUri, nullptr)) ||
            FAILED(reader->GetLocalName(&name, nullptr)) ||
            FAILED(reader->GetValue(&value, nullptr))) {
            return false;
        }
        // Namespace declarations show in the element paths instead.
        if (std::wstring(namespaceUri) != kXmlns) {
            attributes[name] = value;
        }
        hr = reader->MoveToNextAttribute();
    }
    return SUCCEEDED(hr) && SUCCEEDED(reader->MoveToElement());
}

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// XmlLite has no import library in the cross toolchain, so it is loaded by name.
class Library {
  public:
    explicit Library(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    ~Library() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    FARPROC Function(const char* name) const {
        return module_ != nullptr ? GetProcAddress(module_, name) : nullptr;
    }

  private:
    HMODULE module_;
};

Document ParseXml(const std::vector<BYTE>& bytes) {
    Document document;
    // Declared first so that the reader is released before the library goes.
    const Library xmllite(L"xmllite.dll");
    const auto create = reinterpret_cast<CreateXmlReaderFunction>(
        reinterpret_cast<void*>(xmllite.Function("CreateXmlReader")));
    ComPtr<IStream> stream(SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
    ComPtr<IXmlReader> reader;
    if (create == nullptr || stream.Get() == nullptr ||
        FAILED(create(IID_IXmlReader, reinterpret_cast<void**>(reader.Receive()), nullptr)) ||
        FAILED(reader->SetInput(stream.Get()))) {
        document.error = L"cannot start XmlLite";
        return document;
    }
    std::vector<size_t> open;
    std::vector<std::wstring> path;
    XmlNodeType type;
    HRESULT hr;
    while ((hr = reader->Read(&type)) == S_OK) {
        if (type == XmlNodeType_XmlDeclaration) {
            ReadAttributes(reader.Get(), document.declaration);
        } else if (type == XmlNodeType_Element) {
            const wchar_t* namespaceUri = nullptr;
            const wchar_t* name = nullptr;
            reader->GetNamespaceUri(&namespaceUri, nullptr);
            reader->GetLocalName(&name, nullptr);
            const bool empty = reader->IsEmptyElement() != FALSE;
            path.push_back(Step(namespaceUri, name));
            Element element;
            for (const std::wstring& step : path) {
                element.path += (element.path.empty() ? L"" : L"/") + step;
            }
            if (!ReadAttributes(reader.Get(), element.attributes)) {
                document.error = L"unreadable attributes in " + element.path;
                return document;
            }
            document.elements.push_back(element);
            if (empty) {
                path.pop_back();
            } else {
                open.push_back(document.elements.size() - 1);
            }
        } else if (type == XmlNodeType_EndElement) {
            path.pop_back();
            open.pop_back();
        } else if (type == XmlNodeType_Text || type == XmlNodeType_CDATA) {
            const wchar_t* value = nullptr;
            reader->GetValue(&value, nullptr);
            if (!open.empty()) {
                document.elements[open.back()].text += value;
            }
        }
    }
    if (FAILED(hr)) {
        UINT line = 0;
        reader->GetLineNumber(&line);
        document.error = L"not well-formed XML near line " + std::to_wstring(line);
    }
    return document;
}

class ManifestTest : public testing::Test {
  protected:
    void SetUp() override {
        bytes = ResourceBytes(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
        ASSERT_FALSE(bytes.empty()) << "no manifest 1 in language 1033";
    }
    std::vector<BYTE> bytes;
};

TEST_F(ManifestTest, IsUtf8WithByteOrderMarkAndDeclaration) {
    const std::vector<BYTE> head(bytes.begin(), bytes.begin() + std::min<size_t>(8, bytes.size()));
    EXPECT_EQ(head, (std::vector<BYTE>{0xEF, 0xBB, 0xBF, '<', '?', 'x', 'm', 'l'}))
        << "byte-order mark, then the XML declaration at once";
    EXPECT_GT(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS,
                                  reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<int>(bytes.size()), nullptr, 0),
              0)
        << "not valid UTF-8";

    const Document document = ParseXml(bytes);
    ASSERT_EQ(document.error, L"");
    EXPECT_EQ(document.declaration,
              (Attributes{{L"version", L"1.0"}, {L"encoding", L"UTF-8"}, {L"standalone", L"yes"}}));
}

TEST_F(ManifestTest, HoldsExactlyTheRequiredElements) {
    const std::wstring assembly = Step(kAsmV1, L"assembly");
    const std::wstring dependentAssembly =
        assembly + L"/" + Step(kAsmV1, L"dependency") + L"/" + Step(kAsmV1, L"dependentAssembly");
    const std::wstring privileges = assembly + L"/" + Step(kAsmV3, L"trustInfo") + L"/" +
                                    Step(kAsmV3, L"security") + L"/" +
                                    Step(kAsmV3, L"requestedPrivileges");
    const std::wstring settings =
        assembly + L"/" + Step(kAsmV3, L"application") + L"/" + Step(kAsmV3, L"windowsSettings");
    const std::vector<Element> expected = {
        {assembly, {{L"manifestVersion", L"1.0"}}, L""},
        {assembly + L"/" + Step(kAsmV1, L"assemblyIdentity"),
         {{L"version", L"1.0.0.0"},
          {L"processorArchitecture", L"*"},
          {L"name", L"Quillon.QLNSetup.Setup.exe"},
          {L"type", L"win32"}},
         L""},
        {assembly + L"/" + Step(kAsmV1, L"description"), {}, L"Quillon Setup"},
        {assembly + L"/" + Step(kAsmV1, L"dependency"), {}, L""},
        {dependentAssembly, {}, L""},
        {dependentAssembly + L"/" + Step(kAsmV1, L"assemblyIdentity"),
         {{L"type", L"win32"},
          {L"name", L"Microsoft.Windows.Common-Controls"},
          {L"version", L"6.0.0.0"},
          {L"processorArchitecture", L"*"},
          {L"publicKeyToken", L"6595b64144ccf1df"},
          {L"language", L"*"}},
         L""},
        {assembly + L"/" + Step(kAsmV3, L"trustInfo"), {}, L""},
        {assembly + L"/" + Step(kAsmV3, L"trustInfo") + L"/" + Step(kAsmV3, L"security"), {}, L""},
        {privileges, {}, L""},
        {privileges + L"/" + Step(kAsmV3, L"requestedExecutionLevel"),
         {{L"level", L"requireAdministrator"}, {L"uiAccess", L"false"}},
         L""},
        {assembly + L"/" + Step(kAsmV3, L"application"), {}, L""},
        {settings, {}, L""},
        {settings + L"/" + Step(kWindowsSettings2005, L"dpiAware"), {}, L"true"},
    };

    const Document document = ParseXml(bytes);
    ASSERT_EQ(document.error, L"");
    std::vector<bool> seen(document.elements.size(), false);
    for (const Element& want : expected) {
        SCOPED_TRACE(testfs::Narrow(want.path));
        const auto found =
            std::find_if(document.elements.begin(), document.elements.end(),
                         [&want](const Element& element) { return element.path == want.path; });
        ASSERT_NE(found, document.elements.end()) << "element missing";
        seen[static_cast<size_t>(found - document.elements.begin())] = true;
        EXPECT_EQ(found->attributes, want.attributes);
        EXPECT_EQ(found->text, want.text);
    }
    for (size_t i = 0; i < document.elements.size(); ++i) {
        EXPECT_TRUE(seen[i]) << "unexpected element " << testfs::Narrow(document.elements[i].path);
    }
}

} // namespace
