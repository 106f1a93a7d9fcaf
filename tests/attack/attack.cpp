#include "attack.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include "agreement_ids.h"
#include "harness.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace {

const char kPlantedEvent[] = "LegalPromptPlantedRan";

HANDLE planted_event()
{
    static HANDLE event = CreateEventA(nullptr, TRUE, FALSE, kPlantedEvent);
    return event;
}

bool exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

HANDLE own_token()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    return token;
}

bool limited = false;

}  // namespace

std::string planted_dir() { return getenv("LEGALPROMPT_PLANTED") ? getenv("LEGALPROMPT_PLANTED") : ""; }

bool planted_code_ran()
{
    bool ran = WaitForSingleObject(planted_event(), 0) == WAIT_OBJECT_0;
    ResetEvent(planted_event());
    return ran;
}

bool is_prompt_folder(const char *name)
{
    if (strncmp(name, "lp", 2) || strlen(name) != 18) return false;
    return std::all_of(name + 2, name + 18, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::vector<std::string> prompt_folders(const std::string &dir)
{
    std::vector<std::string> found;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((dir + "lp*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && is_prompt_folder(data.cFileName))
            found.push_back(dir + data.cFileName);
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return found;
}

std::string system_temp()
{
    char windows[MAX_PATH];
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\temp\\";
}

Racer::Racer(const std::vector<std::string> &dirs) : watched(dirs)
{
    planted_code_ran();  // from now on
    thread = std::thread([this] {
        std::set<std::string> known;
        for (const std::string &dir : watched)
            for (const std::string &folder : prompt_folders(dir)) known.insert(folder);
        std::map<std::string, std::set<std::string>> planted;  // what was put in each folder once
        while (!stop) {
            for (const std::string &dir : watched)
                for (const std::string &folder : prompt_folders(dir)) {
                    if (known.insert(folder).second) seen++;
                    race(folder, planted[folder]);
                }
            Sleep(0);
        }
    });
}

Racer::~Racer()
{
    stop = true;
    thread.join();
}

std::string read_all(const std::string &path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[4096];
    DWORD got;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

// Writes bytes over the file at path, which must be there already; whether it could.
bool overwrite(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool done = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr) && written == bytes.size() &&
                SetEndOfFile(file);
    CloseHandle(file);
    return done;
}

// One try of each attack, as soon as the one before has failed: the prompt's files moved away
// and replaced, written over, deleted, or planted under their names before the prompt's own are
// written; DLLs put beside the program.  Nothing is put in a folder more than once for each
// name, so that what the racer leaves is bounded and the folder can go.
void Racer::race(const std::string &folder, std::set<std::string> &planted)
{
    static const std::string dll = planted_dir() + "planted.dll", program = planted_dir() + "substitute.exe";
    static const std::string dll_bytes = read_all(dll), program_bytes = read_all(program);
    const struct {
        const char *name;
        const std::string *with, *bytes;
    } own[] = {{"legalprompt.dll", &dll, &dll_bytes}, {"legalpromptw.exe", &program, &program_bytes},
               {"liscn.txt", nullptr, nullptr}};
    for (const auto &file : own) {
        std::string at = folder + "\\" + file.name, away = at + ".old";
        static const std::string text = "A PLANTED TEXT\r\n";
        if (exists(at)) {
            if (MoveFileA(at.c_str(), away.c_str())) {
                swapped++;
                if (file.with) CopyFileA(file.with->c_str(), at.c_str(), TRUE);
            }
            if (overwrite(at, file.bytes ? *file.bytes : text)) swapped++;
            if (!file.with && DeleteFileA(at.c_str())) swapped++;
        } else if (planted.insert(file.name).second &&
                   (file.with ? CopyFileA(file.with->c_str(), at.c_str(), TRUE) != 0 : write_file(at, text))) {
            added++;
        }
    }
    for (const char *name : {"shcore.dll", "version.dll", "uxtheme.dll", "dwmapi.dll", "comctl32.dll", "shell32.dll",
                             "imm32.dll", "msimg32.dll"}) {
        if (planted.insert(name).second && CopyFileA(dll.c_str(), (folder + "\\" + name).c_str(), TRUE)) added++;
    }
}

void Racer::remove_litter(const std::vector<std::string> &dirs, const std::vector<std::string> &before)
{
    const std::set<std::string> racers = {"legalprompt.dll", "legalpromptw.exe", "liscn.txt", "legalprompt.dll.old",
                                          "legalpromptw.exe.old", "liscn.txt.old", "shcore.dll", "version.dll",
                                          "uxtheme.dll", "dwmapi.dll", "comctl32.dll", "shell32.dll", "imm32.dll",
                                          "msimg32.dll"};
    for (const std::string &dir : dirs)
        for (const std::string &folder : prompt_folders(dir)) {
            if (std::find(before.begin(), before.end(), folder) != before.end()) continue;
            WIN32_FIND_DATAA data;
            HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    std::string name = data.cFileName;
                    if (name == "." || name == "..") continue;
                    EXPECT_TRUE(racers.count(name)) << folder << " holds " << name << ", which the racer never puts";
                } while (FindNextFileA(search, &data));
                FindClose(search);
            }
            remove_tree(folder + "\\");
        }
}

HANDLE limited_token()
{
    static HANDLE token = [] {
        HANDLE own = own_token(), primary = nullptr;
        TOKEN_LINKED_TOKEN linked;
        DWORD size;
        if (own && GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
            DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                             &primary);
            CloseHandle(linked.LinkedToken);
        }
        if (own) CloseHandle(own);
        return primary;
    }();
    return token;
}

void run_limited(bool on) { limited = on; }
bool running_limited() { return limited; }

bool elevated()
{
    HANDLE token = own_token();
    TOKEN_ELEVATION elevation = {};
    DWORD size;
    bool is = token && GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
              elevation.TokenIsElevated;
    if (token) CloseHandle(token);
    return is;
}

std::vector<std::string> modules_of(DWORD pid)
{
    std::vector<std::string> paths;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return paths;
    HMODULE modules[512];
    DWORD needed = 0;
    if (EnumProcessModules(process, modules, sizeof modules, &needed)) {
        for (DWORD i = 0; i < needed / sizeof *modules && i < 512; i++) {
            char path[MAX_PATH];
            if (GetModuleFileNameExA(process, modules[i], path, MAX_PATH)) {
                std::string lower = path;
                std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
                paths.push_back(lower);
            }
        }
    }
    CloseHandle(process);
    return paths;
}

std::string image_of(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    char path[MAX_PATH] = "";
    DWORD size = MAX_PATH;
    if (process) {
        QueryFullProcessImageNameA(process, 0, path, &size);
        CloseHandle(process);
    }
    return path;
}

void set_temp_wide(const std::wstring &dir)
{
    SetEnvironmentVariableW(L"TEMP", dir.c_str());
    SetEnvironmentVariableW(L"TMP", dir.c_str());
}

bool make_dir_wide(const std::wstring &dir) { return CreateDirectoryW(dir.c_str(), nullptr) != 0; }

bool empty_wide(const std::wstring &dir)
{
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") empty = false;
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return empty;
}

void remove_dir_wide(const std::wstring &dir) { RemoveDirectoryW(dir.c_str()); }

std::wstring widen(const std::string &text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], (int)wide.size()));
    return wide;
}

void check_held(const std::string &folder, const char *what)
{
    const std::string dll = planted_dir() + "planted.dll";
    for (const char *name : {"legalprompt.dll", "legalpromptw.exe", "liscn.txt"}) {
        std::string file = folder + "\\" + name;
        EXPECT_FALSE(CopyFileA(dll.c_str(), file.c_str(), FALSE)) << what << ": " << name << " could be replaced";
        HANDLE writing = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(INVALID_HANDLE_VALUE, writing) << what << ": " << name << " could be opened for writing";
        if (writing != INVALID_HANDLE_VALUE) CloseHandle(writing);
        EXPECT_FALSE(MoveFileA(file.c_str(), (file + ".moved").c_str())) << what << ": " << name << " could be renamed";
        EXPECT_FALSE(DeleteFileA(file.c_str())) << what << ": " << name << " could be deleted";
    }
    EXPECT_FALSE(MoveFileA(folder.c_str(), (folder + "-moved").c_str())) << what << ": the folder could be renamed";
}

void check_every_temp_folder(const std::string &temp,
                             const std::function<DWORD(const std::function<void(HWND)> &, bool *)> &install,
                             const std::function<bool()> &installed, const std::function<void()> &remove)
{
    ASSERT_TRUE(elevated()) << "Wine starts this program elevated";
    ASSERT_NE(nullptr, limited_token()) << "no linked, limited token";
    const std::wstring plain = widen(temp.substr(0, temp.size() - 1));
    ASSERT_LT(plain.size(), 124u);
    const std::wstring long_temp = plain + L"\\" + std::wstring(124 - plain.size() - 1, L'l');
    const std::wstring cyrillic = plain + L"\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439";
    ASSERT_TRUE(make_dir_wide(long_temp) && make_dir_wide(cyrillic));
    const std::vector<std::string> before = prompt_folders(system_temp());
    const struct {
        bool limited;
        const std::wstring *temp_dir;
        bool in_user_temp;
        const char *name;
    } cases[] = {
        {false, &plain, false, "elevated"},
        {false, &long_temp, false, "elevated, long temp"},
        {false, &cyrillic, false, "elevated, Cyrillic temp"},
        {true, &plain, true, "normal user"},
        {true, &long_temp, false, "normal user, long temp"},
        {true, &cyrillic, false, "normal user, Cyrillic temp"},
    };
    for (const auto &c : cases) {
        set_temp_wide(*c.temp_dir);
        run_limited(c.limited);
        std::string shown, image;
        bool seen = false;
        EXPECT_EQ(0u, install([&](HWND d) {
            DWORD pid;
            GetWindowThreadProcessId(d, &pid);
            image = image_of(pid);
            shown = text_of(control(d, IDC_AGREEMENT_TEXT));
            check_held(image.substr(0, image.rfind('\\')), c.name);
            press(VK_RETURN);
        }, &seen)) << c.name;
        EXPECT_TRUE(seen && installed()) << c.name;
        EXPECT_EQ(0u, shown.find("SAMPLE LICENSE AGREEMENT")) << c.name << ": shown " << shown.substr(0, 80);
        std::string base = c.in_user_temp ? temp : system_temp();
        EXPECT_EQ(0, _strnicmp(image.c_str(), base.c_str(), base.size())) << c.name << ": ran from " << image;
        EXPECT_TRUE(image.size() > base.size() + 18 && is_prompt_folder(image.substr(base.size(), 18).c_str()))
            << c.name << ": ran from " << image;
        EXPECT_TRUE(c.temp_dir == &plain ? prompt_folders(temp).empty() : empty_wide(*c.temp_dir))
            << c.name << ": left in the temp folder";
        EXPECT_EQ(before, prompt_folders(system_temp())) << c.name << ": left in " << system_temp();
        if (installed()) remove();
        run_limited(false);
    }
    set_temp(temp);
    remove_dir_wide(long_temp);
    remove_dir_wide(cyrillic);
}

DWORD run_unseen(const std::string &command, DWORD timeout_ms, HANDLE error_output)
{
    static HWINSTA hidden = [] {
        HWINSTA own = GetProcessWindowStation();
        HWINSTA station = CreateWindowStationA("legalprompt-hidden", 0, WINSTA_ALL_ACCESS, nullptr);
        USEROBJECTFLAGS flags = {};
        DWORD size;
        if (!station || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &size) ||
            (flags.dwFlags & WSF_VISIBLE) || !SetProcessWindowStation(station))
            return (HWINSTA) nullptr;
        HDESK desktop = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        SetProcessWindowStation(own);
        return desktop ? station : (HWINSTA) nullptr;
    }();
    EXPECT_NE(nullptr, hidden) << "no window station that nobody sees: the case proves nothing";
    if (!hidden) return 999;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = (char *)"legalprompt-hidden\\Default";
    if (error_output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = error_output;
    }
    PROCESS_INFORMATION process = {};
    std::string line = command;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, error_output != nullptr, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start " << command << ", error " << GetLastError();
        return 999;
    }
    DWORD code = 999;
    if (WaitForSingleObject(process.hProcess, timeout_ms) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        ADD_FAILURE() << command << " did not end: it waits on a desktop nobody sees";
        TerminateProcess(process.hProcess, 999);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

void check_race(const std::string &temp, const std::vector<std::string> &before, DWORD failure_code,
                const std::function<DWORD(const std::function<void(HWND)> &, bool *)> &install,
                const std::function<bool()> &installed, const std::function<void()> &remove)
{
    for (bool limited : {false, true}) {
        const char *who = limited ? "normal user" : "elevated";
        run_limited(limited);
        Racer racer({temp, system_temp()});
        for (int run = 0; run < 3; run++) {
            std::string shown;
            bool seen = false;
            DWORD code = install([&](HWND d) {
                shown = text_of(control(d, IDC_AGREEMENT_TEXT));
                press(VK_RETURN);
            }, &seen);
            EXPECT_TRUE((code == 0 && seen) || code == failure_code) << who << ": exit " << code;
            if (seen) {
                EXPECT_EQ(0u, shown.find("SAMPLE LICENSE AGREEMENT")) << who << ": shown " << shown.substr(0, 80);
            }
            EXPECT_FALSE(planted_code_ran()) << who << ": planted code ran";
            if (installed()) remove();
        }
        printf("%s: the racer saw %d prompt folders, replaced or deleted %d files, planted %d\n", who,
               racer.folders_seen(), racer.swaps_done(), racer.dlls_added());
        EXPECT_GT(racer.folders_seen(), 0) << "the racer never saw the prompt's folder: the case proves nothing";
    }
    Racer::remove_litter({temp, system_temp()}, before);
    run_limited(false);
}
