#include "app/SnapshotChooser.h"

#include "xml/XmlReader.h"

#include <commdlg.h>

#include <vector>

namespace {

// The folder in which the bare program name resolves: the current directory, no trailing backslash.
std::string StartFolder() {
    char full[MAX_PATH];
    char* filePart = nullptr;
    DWORD n = GetFullPathNameA("tidewarp.exe", MAX_PATH, full, &filePart);
    if (n == 0 || n >= MAX_PATH || !filePart) return {};
    std::string folder(full, static_cast<std::size_t>(filePart - full));
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

}  // namespace

bool RestoreFromChosenFile(CRegistryLib& registry, HWND owner) {
    char path[MAX_PATH] = "";
    const std::string folder = StartFolder();
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = "XML Files (*.xml)\0*.xml\0All Files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrDefExt = "xml";
    ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn)) return false;

    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    XmlReader reader;
    bool completed = registry.RestoreFromXml(reader, path);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    return completed;
}
