#include "harness.h"

// Files and folders.
#include <cstdio>

std::string program_dir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\') + 1);
}

std::string text_path() { return program_dir() + "liscn.txt"; }

bool write_file(const std::string &path, const std::string &bytes)
{
    // Shares reading and writing, as the library's own open does, so that a text can be
    // rewritten while a dialog shows it.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

void remove_file(const std::string &path) { DeleteFileA(path.c_str()); }

std::string make_temp_dir(const char *name)
{
    static int serial;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + "lp" + std::to_string(GetCurrentProcessId()) + "_" +
                      std::to_string(++serial) + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\";
}

CurrentDirectory::CurrentDirectory(const std::string &dir)
{
    GetCurrentDirectoryA(MAX_PATH, saved);
    EXPECT_TRUE(SetCurrentDirectoryA(dir.c_str())) << dir;
}

CurrentDirectory::~CurrentDirectory() { SetCurrentDirectoryA(saved); }

// What a folder holds, names relative to it ("nsa1.tmp/legalpromptw.exe ..."); "" when empty.
std::string folder_contents(const std::string &dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    std::string names;
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        names += name + ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "/{" + folder_contents(dir + name + "\\") + "} " : " ");
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

const std::string &original_temp()
{
    static const std::string temp = [] {
        char path[MAX_PATH];
        GetTempPathA(MAX_PATH, path);
        return std::string(path);
    }();
    return temp;
}

void set_temp(const std::string &dir)
{
    SetEnvironmentVariableA("TEMP", dir.c_str());
    SetEnvironmentVariableA("TMP", dir.c_str());
}

namespace {

// Wide throughout: a name outside the ANSI code page is found and deleted like any other.
void remove_tree_wide(const std::wstring &dir)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)  // a link: never what it leads to
                (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? RemoveDirectoryW : DeleteFileW)((dir + name).c_str());
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree_wide(dir + name + L"\\");
            else
                DeleteFileW((dir + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

void remove_tree(const std::string &dir)
{
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, dir.c_str(), -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, dir.c_str(), -1, &wide[0], (int)wide.size());
    wide.resize(wide.size() - 1);
    remove_tree_wide(wide);
}

std::string sample_text(size_t size)
{
    std::string text;
    char line[80];
    for (int n = 1; text.size() < size; n++) {
        snprintf(line, sizeof line, "Line %05d: the quick brown fox jumps over the lazy dog.\r\n", n);
        text += line;
    }
    text.resize(size);
    return text;
}
