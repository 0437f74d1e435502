#pragma once

#include <string>

// A new, empty file with a unique name, removed again when this goes unless
// it was moved away.
class ScratchFile {
  public:
    // Path() is empty when no file could be made in folder.
    ScratchFile(const std::wstring& folder, const wchar_t* prefix);
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();

    const std::wstring& Path() const {
        return path_;
    }
    // The file went elsewhere under another name: nothing is left to remove.
    void Moved() {
        path_.clear();
    }

  private:
    std::wstring path_;
};
