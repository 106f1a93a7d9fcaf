// The folder that the installers' runner asks for, seen where it asks: Wine keeps no file
// security, so what is checked is the call itself, caught in this program's import table.
// Elevated (as Wine starts this program) and again as a normal user, in a run of this program
// under the linked, limited token.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "run.h"

namespace {

struct Asked {
    std::wstring path;
    bool protected_dacl = false;
    std::vector<std::pair<std::wstring, DWORD>> aces;  // SID as text, access mask
    DWORD ace_flags = 0;                               // inheritance, the same on every ACE
    bool mixed_flags = false;
};
Asked asked;

std::wstring sid_text(PSID sid)
{
    WCHAR name[256], domain[256];
    DWORD name_size = 256, domain_size = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) return L"?";
    return std::wstring(domain) + L"\\" + name;
}

// Records what the runner asks for and refuses it, which ends the run there.
BOOL WINAPI spy_CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes)
{
    asked = Asked();
    asked.path = path;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision;
    if (attributes && attributes->lpSecurityDescriptor &&
        GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &dacl, &defaulted) && present && dacl &&
        GetSecurityDescriptorControl(attributes->lpSecurityDescriptor, &control, &revision)) {
        asked.protected_dacl = (control & SE_DACL_PROTECTED) != 0;
        for (DWORD i = 0; i < dacl->AceCount; i++) {
            ACCESS_ALLOWED_ACE *ace;
            if (!GetAce(dacl, i, (void **)&ace)) continue;
            if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
                asked.aces.push_back({L"not an allowing ACE", 0});
                continue;
            }
            if (i && ace->Header.AceFlags != asked.ace_flags) asked.mixed_flags = true;
            asked.ace_flags = ace->Header.AceFlags;
            asked.aces.push_back({sid_text(&ace->SidStart), ace->Mask});
        }
    }
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// Points the slot of this program's imports that holds `from` at `to`: the runner's calls of
// kernel32 go through them.
bool swap_import(void *from, void *to)
{
    BYTE *base = (BYTE *)GetModuleHandleW(nullptr);
    auto *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    auto &entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + entry.VirtualAddress); d->Name; d++) {
        for (auto *slot = (IMAGE_THUNK_DATA *)(base + d->FirstThunk); slot->u1.Function; slot++) {
            if ((void *)slot->u1.Function != from) continue;
            DWORD old;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old);
            slot->u1.Function = (ULONG_PTR)to;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
            return true;
        }
    }
    return false;
}

void *kernel32(const char *name) { return (void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name); }

bool patch_import() { return swap_import(kernel32("CreateDirectoryW"), (void *)spy_CreateDirectoryW); }

std::wstring lower(std::wstring text)
{
    for (WCHAR &c : text) c = (WCHAR)towlower(c);
    return text;
}

std::wstring system_temp()
{
    WCHAR windows[MAX_PATH];
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return lower(std::wstring(windows) + L"\\temp\\");
}

std::wstring user_name()
{
    WCHAR name[256], domain[256];
    DWORD size = 256;
    GetUserNameW(name, &size);
    DWORD domain_size = 256, sid_size = SECURITY_MAX_SID_SIZE;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    SID_NAME_USE use;
    LookupAccountNameW(nullptr, name, sid, &sid_size, domain, &domain_size, &use);
    return sid_text(sid);
}

bool elevated()
{
    HANDLE token;
    TOKEN_ELEVATION elevation = {};
    DWORD size;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return elevation.TokenIsElevated != 0;
}

// Asks the runner for a run with TEMP at temp; what CreateDirectoryW was asked.
void ask_with_temp(const std::wstring &temp)
{
    SetEnvironmentVariableW(L"TEMP", temp.c_str());
    SetEnvironmentVariableW(L"TMP", temp.c_str());
    static const char nothing[] = "";
    RunFile files[RUN_FILES] = {{nothing, 0}, {nothing, 0}, {nothing, 0}};
    RunReport report;
    asked = Asked();
    EXPECT_EQ(RUN_FAILED, run_prompt_program(files, &report));
    EXPECT_EQ(ERROR_ACCESS_DENIED, report.error);
}

// The folder: where, and who may enter it (SYSTEM, the Administrators and, for a normal user,
// that user, each with full access passed on to what the folder holds; nothing inherited).
void check_folder(const std::wstring &base, bool with_user, const char *what)
{
    EXPECT_EQ(0u, lower(asked.path).find(base)) << what << ": asked for " << std::string(asked.path.begin(), asked.path.end());
    EXPECT_EQ(base.size() + 18, asked.path.size()) << what;
    EXPECT_TRUE(asked.protected_dacl) << what << ": the DACL is not protected from inheritance";
    std::vector<std::pair<std::wstring, DWORD>> want = {{L"NT AUTHORITY\\SYSTEM", FILE_ALL_ACCESS},
                                                        {L"BUILTIN\\Administrators", FILE_ALL_ACCESS}};
    if (with_user) want.push_back({user_name(), FILE_ALL_ACCESS});
    EXPECT_EQ(want, asked.aces) << what;
    EXPECT_EQ((DWORD)(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE), asked.ace_flags) << what;
    EXPECT_FALSE(asked.mixed_flags) << what;
}

std::wstring long_temp()
{
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = temp;
    dir += std::wstring(124 - dir.size(), L'l');
    CreateDirectoryW(dir.c_str(), nullptr);  // the real call: the spy is for the runner's alone
    return dir;
}

TEST(RunnerFolder, Elevated)
{
    ASSERT_TRUE(elevated()) << "Wine starts this program elevated";
    ASSERT_TRUE(patch_import());
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    ask_with_temp(temp);
    check_folder(system_temp(), false, "elevated");

    // The same checks as a normal user, in a run of this program under the linked token.
    HANDLE own, primary = nullptr;
    TOKEN_LINKED_TOKEN linked;
    DWORD size;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own);
    ASSERT_TRUE(GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size));
    ASSERT_TRUE(DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                                 &primary));
    WCHAR program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(program) + L"\" --gtest_filter=RunnerFolder.NormalUser --normal-user";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ASSERT_TRUE(CreateProcessAsUserW(primary, nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &process));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000));
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(0u, code) << "the normal user's run failed: its output says why";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

TEST(RunnerFolder, NormalUser)
{
    if (!strstr(GetCommandLineA(), "--normal-user")) GTEST_SKIP() << "run by RunnerFolder.Elevated";
    ASSERT_FALSE(elevated());
    std::wstring deep = long_temp();
    ASSERT_TRUE(patch_import());
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    ask_with_temp(temp);
    check_folder(lower(temp), true, "normal user");
    ask_with_temp(deep);
    check_folder(system_temp(), true, "normal user, a temp folder of 124 characters");
    RemoveDirectoryW(deep.c_str());
}

// Removal: what another process may leave in the folder while the prompt is up, read-only
// files, a folder, a hard link to a read-only file outside and a symbolic one, planted where
// the runner starts the prompt.
std::wstring outside;  // a read-only file outside the folder, that links lead to
bool linked = false;
BOOL WINAPI plant_CreateProcessW(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                                 LPCWSTR folder, LPSTARTUPINFOW, LPPROCESS_INFORMATION)
{
    std::wstring at = std::wstring(folder) + L"\\";
    auto plant = [](const std::wstring &path) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, file) << "cannot plant " << std::string(path.begin(), path.end());
        CloseHandle(file);
    };
    plant(at + L"read-only.txt");
    EXPECT_TRUE(CreateDirectoryW((at + L"deeper").c_str(), nullptr));
    plant(at + L"deeper\\read-only.txt");
    SetFileAttributesW((at + L"deeper").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(CreateHardLinkW((at + L"hard-link").c_str(), outside.c_str(), nullptr));
    // Links need the right to make them, which Wine may not grant: what could be made is tried.
    linked = CreateSymbolicLinkW((at + L"link").c_str(), outside.c_str(), 0) != 0;
    if (linked) SetFileAttributesW((at + L"link").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST(RunnerRemoval, EverythingInTheFolderGoesAndNothingALinkLeadsTo)
{
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    outside = std::wstring(temp) + L"runner-outside.txt";
    SetFileAttributesW(outside.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(outside.c_str());
    HANDLE file = CreateFileW(outside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    swap_import((void *)spy_CreateDirectoryW, kernel32("CreateDirectoryW"));  // the folder tests' spy
    ASSERT_TRUE(swap_import(kernel32("CreateProcessW"), (void *)plant_CreateProcessW));
    static const char bytes[] = "x";
    RunFile files[RUN_FILES] = {{bytes, 1}, {bytes, 1}, {bytes, 1}};
    RunReport report;
    EXPECT_EQ(RUN_FAILED, run_prompt_program(files, &report));
    std::string folder(report.path, report.path + wcslen(report.path));
    EXPECT_NE(std::string::npos, folder.find("legalpromptw.exe")) << "the run failed before it started: " << folder;
    folder = folder.substr(0, folder.rfind('\\'));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str())) << folder << " is left";
    DWORD attributes = GetFileAttributesW(outside.c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes) << "what a link led to is gone";
    EXPECT_EQ((DWORD)FILE_ATTRIBUTE_READONLY, attributes & FILE_ATTRIBUTE_READONLY)
        << "what a link led to lost its read-only attribute";
    if (!linked) std::printf("note: no symbolic link could be made here, so removal went through none\n");
    SetFileAttributesW(outside.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(outside.c_str());
}

// The wait: a program that ends by itself (this one, asked to), while the waiting thread has a
// window that never validates its paint and whose paint asks for another prompt.
const int kExitSoon = [] {
    if (strstr(GetCommandLineA(), "--exit-soon")) {
        Sleep(1000);
        ExitProcess(0);
    }
    return 0;
}();

BOOL WINAPI start_self(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread, BOOL inherit,
                       DWORD flags, LPVOID environment, LPCWSTR folder, LPSTARTUPINFOW startup,
                       LPPROCESS_INFORMATION started)
{
    WCHAR self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --exit-soon";
    auto *real = (decltype(&CreateProcessW))kernel32("CreateProcessW");  // this program's import is this
    return real(self, &line[0], process, thread, inherit, flags, environment, folder, startup, started);
}

int asked_again = -1;  // what a second prompt asked for while the first was up gave
std::wstring asked_again_failed;
LRESULT CALLBACK never_validated(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != WM_PAINT) return DefWindowProcW(window, message, wparam, lparam);
    if (asked_again == -1) {
        static const char bytes[] = "x";
        RunFile files[RUN_FILES] = {{bytes, 1}, {bytes, 1}, {bytes, 1}};
        RunReport again;
        asked_again = run_prompt_program(files, &again);
        asked_again_failed = again.failed ? again.failed : L"";
    }
    return 0;
}

// A hang fails the test here rather than at ctest's time limit.
volatile LONG returned = 0;
DWORD WINAPI watch(LPVOID)
{
    for (int i = 0; i < 600 && !returned; i++) Sleep(100);
    if (!returned) {
        std::printf("the runner's wait never returned\n");
        std::fflush(stdout);
        ExitProcess(1);
    }
    return 0;
}

TEST(RunnerWait, NeitherAWindowThatKeepsPaintingNorOneThatAsksAgainHoldsItUp)
{
    swap_import((void *)spy_CreateDirectoryW, kernel32("CreateDirectoryW"));
    swap_import((void *)plant_CreateProcessW, kernel32("CreateProcessW"));
    ASSERT_TRUE(swap_import(kernel32("CreateProcessW"), (void *)start_self));
    WNDCLASSW type = {};
    type.lpfnWndProc = never_validated;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"NeverValidated";
    ASSERT_TRUE(RegisterClassW(&type));
    HWND window = CreateWindowW(L"NeverValidated", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                                nullptr, type.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    HANDLE watchdog = CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
    static const char bytes[] = "x";
    RunFile files[RUN_FILES] = {{bytes, 1}, {bytes, 1}, {bytes, 1}};
    RunReport report;
    int outcome = run_prompt_program(files, &report);
    InterlockedExchange(&returned, 1);
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);
    DestroyWindow(window);
    EXPECT_EQ(RUN_FAILED, outcome);
    EXPECT_NE(nullptr, report.failed ? wcsstr(report.failed, L"gave no acceptance") : nullptr)
        << "the program ended with 0 and no key, yet: " << (report.failed ? "another failure" : "no failure");
    EXPECT_EQ(RUN_FAILED, asked_again) << "the window's paint did not come, or a second prompt ran";
    EXPECT_EQ(L"another prompt is still up", asked_again_failed);
    std::wstring folder = report.path;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str())) << "the folder is left";
}

}  // namespace
