// The exports as a host finds them, and every way a user answers the dialog, with real input.
#include "prompt_fixture.h"

#include <algorithm>
#include <vector>

TEST(Exports, SameAddressesByNameAndByOrdinal)
{
    Library library;
    ASSERT_NE(nullptr, library.module);
    FARPROC display = GetProcAddress(library.module, "DisplayLegalBullshit");
    FARPROC show_legal = GetProcAddress(library.module, "ShowLegal");
    ASSERT_NE(nullptr, display);
    ASSERT_NE(nullptr, show_legal);
    EXPECT_EQ(display, GetProcAddress(library.module, MAKEINTRESOURCEA(2)));
    EXPECT_EQ(show_legal, GetProcAddress(library.module, MAKEINTRESOURCEA(3)));
    EXPECT_EQ(nullptr, GetProcAddress(library.module, MAKEINTRESOURCEA(1)));
    EXPECT_EQ(nullptr, GetProcAddress(library.module, MAKEINTRESOURCEA(4)));
    EXPECT_EQ(nullptr, GetProcAddress(library.module, "_ShowLegal@16"));
}

// Windows loads a DLL elsewhere when its preferred base is taken, as ASLR does anyway: the
// 32-bit build then applies its relocations, the 64-bit one has none to apply.  Either way
// the prompt must work.
TEST(Exports, WorkAwayFromThePreferredBase)
{
    std::string image;
    HANDLE file = CreateFileA((program_dir() + "legalprompt.dll").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    char buffer[4096];
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    CloseHandle(file);
    ASSERT_GE(got, sizeof(IMAGE_DOS_HEADER));
    LONG at = ((const IMAGE_DOS_HEADER *)buffer)->e_lfanew;
    ASSERT_LE(at + sizeof(IMAGE_NT_HEADERS), got);
    const IMAGE_NT_HEADERS *nt = (const IMAGE_NT_HEADERS *)(buffer + at);
    ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR_MAGIC, nt->OptionalHeader.Magic) << "a DLL of this program's width";
    void *preferred = (void *)(UINT_PTR)nt->OptionalHeader.ImageBase;

    void *taken = VirtualAlloc(preferred, nt->OptionalHeader.SizeOfImage, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_EQ(preferred, taken) << "could not reserve the preferred base, error " << GetLastError();
    {
        Library library;
        ASSERT_NE(nullptr, library.display);
        EXPECT_NE(preferred, (void *)library.module);
        ASSERT_TRUE(write_file(text_path(), "Moved.\r\n"));
        EXPECT_EQ(LEGALPROMPT_ACCEPTED, run_prompt(library.display, [](HWND d) {
            EXPECT_EQ("Moved.\r\n", text_of(control(d, IDC_AGREEMENT_TEXT)));
            click_centre(control(d, IDOK));
        }));
        remove_file(text_path());
    }
    VirtualFree(taken, 0, MEM_RELEASE);
}

// x64 finds each caller from the unwind table, for exceptions and debuggers alike: a walk of
// the stack from inside the dialog must step from each of the DLL's frames to its true caller,
// the platform's dialog code or the function that called DisplayLegalBullshit.  (x86 walks
// frame chains, which a DLL built without frame pointers does not keep: not tested there.)
#ifdef _WIN64
namespace {
std::vector<std::vector<void *>> g_walks;
DisplayFn g_display;

// The one caller of DisplayLegalBullshit, whose code a walk must step into; the volatile result
// keeps the call from becoming a jump.
__attribute__((noinline)) int WINAPI call_display(void)
{
    volatile int result = g_display();
    return result;
}

HMODULE module_of(void *address)
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)address, &module);
    return module;
}

LRESULT CALLBACK walk_the_stack(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HC_ACTION && g_walks.size() < 500) {
        void *frames[1024];
        USHORT n = RtlCaptureStackBackTrace(0, 1024, frames, nullptr);
        g_walks.emplace_back(frames, frames + n);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
}  // namespace

TEST(Exports, StackWalksThroughTheDll)
{
    Library library;
    ASSERT_NE(nullptr, library.display);
    ASSERT_TRUE(write_file(text_path(), "Walk.\r\n"));
    g_walks.clear();
    g_display = library.display;
    // Every message sent on this thread while the dialog is made, from ShowLegal and from
    // DisplayLegalBullshit, runs the hook with the DLL's frames on the stack.
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, walk_the_stack, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, run_prompt(call_display, [](HWND d) { click_centre(control(d, IDOK)); }));
    UnhookWindowsHookEx(hook);
    remove_file(text_path());

    // Wine's walk cannot step back over the dispatcher that calls into user code for the
    // platform; it goes on through stale stack contents.  So only DLL frames reached by a sound
    // step, from the dialog code or from the DLL, are held to the rule.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    const IMAGE_NT_HEADERS *nt =
        (const IMAGE_NT_HEADERS *)((char *)library.module + ((const IMAGE_DOS_HEADER *)library.module)->e_lfanew);
    char *code = (char *)library.module + nt->OptionalHeader.BaseOfCode;
    auto in_code = [&](void *p) { return (char *)p >= code && (char *)p < code + nt->OptionalHeader.SizeOfCode; };
    char *caller = (char *)call_display;
    size_t through = 0, deepest = 0;
    for (const auto &walk : g_walks) {
        size_t in_dll = 0;
        for (size_t i = 1; i + 1 < walk.size(); i++) {
            HMODULE from = module_of(walk[i - 1]);
            if (!in_code(walk[i]) || (from != user32 && from != library.module)) continue;
            in_dll++;
            HMODULE next_module = module_of(walk[i + 1]);
            bool called_by_platform = next_module == user32 || in_code(walk[i + 1]);
            bool called_by_host = (char *)walk[i + 1] > caller && (char *)walk[i + 1] < caller + 64;
            EXPECT_TRUE(called_by_platform || called_by_host)
                << "frame " << i << " of " << walk.size() << " is in the DLL, and the walk steps from it to "
                << walk[i + 1] << ", neither the dialog code nor call_display at " << (void *)caller;
        }
        through += in_dll > 0;
        deepest = std::max(deepest, in_dll);
    }
    EXPECT_GT(through, 0u) << "no walk passed through the DLL";
    EXPECT_GE(deepest, 3u) << "no walk through the centring, ShowLegal and DisplayLegalBullshit";
}
#endif

class UserActions : public PromptTest {};

TEST_F(UserActions, AcceptClicked)
{
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt([](HWND d) { click_centre(control(d, IDOK)); }));
}

TEST_F(UserActions, SpaceOnAccept)
{
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt([](HWND d) {
        ASSERT_EQ(control(d, IDOK), focus_of(d));
        press(VK_SPACE);
    }));
}

TEST_F(UserActions, EnterOnAccept)
{
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt([](HWND d) {
        ASSERT_EQ(control(d, IDOK), focus_of(d));
        press(VK_RETURN);
    }));
}

TEST_F(UserActions, EnterInTheTextControlAccepts)
{
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt([](HWND d) {
        ASSERT_TRUE(tab_to(d, control(d, IDC_AGREEMENT_TEXT)));
        press(VK_RETURN);
    }));
}

TEST_F(UserActions, AltA)
{
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt([](HWND d) { chord(d, VK_MENU, 'A'); }));
}

TEST_F(UserActions, ALoneOnAPushButton)
{
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt([](HWND d) {
        ASSERT_EQ(control(d, IDOK), focus_of(d));
        press('A');
    }));
}

TEST_F(UserActions, DoNotAcceptClicked)
{
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt([](HWND d) { click_centre(control(d, IDCANCEL)); }));
}

TEST_F(UserActions, Escape)
{
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt([](HWND) { press(VK_ESCAPE); }));
}

TEST_F(UserActions, EscapeInTheTextControl)
{
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt([](HWND d) {
        ASSERT_TRUE(tab_to(d, control(d, IDC_AGREEMENT_TEXT)));
        press(VK_ESCAPE);
    }));
}

TEST_F(UserActions, CloseBox)
{
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt([](HWND d) {
        POINT box;
        ASSERT_TRUE(close_box(d, &box)) << "no close box on the caption";
        click_at(d, box);
    }));
}

TEST_F(UserActions, CloseOnTheSystemMenu)
{
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt([](HWND d) {
        chord(d, VK_MENU, VK_SPACE);
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        DWORD thread = GetWindowThreadProcessId(d, nullptr);
        // Windows flags the system menu as GUI_INMENUMODE | GUI_SYSTEMMENUMODE; Wine sets only
        // the first, which is all that is needed to know that a menu is open.
        ASSERT_TRUE(wait_until([&] {
            return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMENUMODE);
        })) << "the system menu did not open";
        press('C');
    }));
}

TEST_F(UserActions, AltF4)
{
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt([](HWND d) { chord(d, VK_MENU, VK_F4); }));
}

class Focus : public PromptTest {};

TEST_F(Focus, StartsOnAccept)
{
    HWND focus = nullptr, accept = nullptr;
    prompt([&](HWND d) {
        focus = focus_of(d);
        accept = control(d, IDOK);
        press(VK_ESCAPE);
    });
    EXPECT_EQ(accept, focus);
}

TEST_F(Focus, TabMovesBetweenAcceptAndTheTextOnly)
{
    std::vector<int> visited;
    prompt([&](HWND d) {
        auto step = [&](bool shift) {
            HWND before = focus_of(d);
            if (shift)
                chord(d, VK_SHIFT, VK_TAB);
            else
                press(VK_TAB);
            wait_until([&] { return focus_of(d) != before; }, 3000);
            visited.push_back(GetDlgCtrlID(focus_of(d)));
        };
        for (bool shift : {false, false, false, true, true, true}) step(shift);
        press(VK_ESCAPE);
    });
    const std::vector<int> want = {IDC_AGREEMENT_TEXT, IDOK, IDC_AGREEMENT_TEXT,
                                   IDOK, IDC_AGREEMENT_TEXT, IDOK};
    EXPECT_EQ(want, visited);
}
