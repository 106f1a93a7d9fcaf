// Host stand-in of the Windows calls that the library makes: files over real POSIX files, a
// dialog manager that builds its windows from the same compiled resource the DLL carries, a
// screen of a size the tests set, and a record of every call in order.
#include "standin.h"

#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <set>

struct HINSTANCE__ {
    std::vector<unsigned char> res;  // the .res file's bytes
};

struct HWND__ {
    HWND__ *parent = nullptr;
    HWND__ *owner = nullptr;
    std::vector<HWND__ *> children;
    int id = 0;
    WORD atom = 0;
    DWORD style = 0;
    std::string text;
    RECT rect = {0, 0, 0, 0};  // dialog: screen pixels; control: client pixels of its dialog
    bool alive = true;
    DLGPROC proc = nullptr;
    bool ended = false;
    INT_PTR result = 0;
};

struct HDC__ {
    HWND window;
};

namespace {

// Dialog base units of 8-point MS Sans Serif at 96 dpi, and the frame of a modal dialog
// with a caption: what the pixel rectangles are computed from.
const int kBaseX = 6, kBaseY = 13;
const int kFrame = 3, kCaption = 18;
const int kUserRounds = 8;

struct World {
    std::deque<HINSTANCE__> modules;
    std::deque<HWND__> windows;
    std::deque<HDC__> dcs;
    std::set<int> files;
    std::vector<std::string> calls;
    std::string program_dir;
    int screen_w = 1024, screen_h = 768;
    standin::User user;
    HWND focus = nullptr;
    int dcs_held = 0;
    int dialogs = 0;
};

World &world()
{
    static World w;
    return w;
}

void record(const char *format, ...) __attribute__((format(printf, 1, 2)));
void record(const char *format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    world().calls.push_back(line);
}

std::string name_of(HWND window)
{
    if (!window) return "NULL";
    if (!window->parent) return "dialog";
    return std::to_string(window->id);
}

bool exists(HWND window) { return window && window->alive; }

std::string program_dir_of_self()
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string s(path, n);
    return s.substr(0, s.rfind('/'));
}

// A little-endian reader over a resource's bytes; reads past the end give zeros and set bad.
struct Reader {
    const unsigned char *p;
    size_t size, at = 0;
    bool bad = false;

    unsigned word()
    {
        if (at + 2 > size) { bad = true; at = size; return 0; }
        unsigned v = p[at] | p[at + 1] << 8;
        at += 2;
        return v;
    }
    DWORD dword()
    {
        unsigned lo = word();
        return lo | (DWORD)word() << 16;
    }
    void align(size_t n) { at = (at + n - 1) / n * n; }
    // A name or ordinal: 0xFFFF then an ordinal, or a zero-ended UTF-16 string (ASCII kept).
    std::string sz_or_ord(unsigned *ordinal)
    {
        *ordinal = 0;
        unsigned c = word();
        if (c == 0xFFFF) { *ordinal = word(); return ""; }
        std::string s;
        for (; c && !bad; c = word()) s += c < 0x80 ? (char)c : '?';
        return s;
    }
};

// The RT_DIALOG resource named name in a .res file, or nullptr.
const unsigned char *find_dialog(const HINSTANCE__ *module, LPCSTR name, size_t *size)
{
    const std::vector<unsigned char> &res = module->res;
    size_t at = 0;
    while (at + 8 <= res.size()) {
        Reader r{res.data(), res.size(), at};
        DWORD data_size = r.dword(), header_size = r.dword();
        unsigned type_ord, name_ord;
        r.sz_or_ord(&type_ord);
        std::string res_name = r.sz_or_ord(&name_ord);
        if (r.bad || header_size < 8 || at + header_size + data_size > res.size()) return nullptr;
        const unsigned char *data = res.data() + at + header_size;
        if (type_ord == 5 && !name_ord && strcasecmp(res_name.c_str(), name) == 0) {
            *size = data_size;
            return data;
        }
        at = (at + header_size + data_size + 3) & ~(size_t)3;
    }
    return nullptr;
}

RECT dialog_units(int x, int y, int cx, int cy)
{
    RECT r;
    r.left = x * kBaseX / 4;
    r.top = y * kBaseY / 8;
    r.right = r.left + (cx * kBaseX + 2) / 4;
    r.bottom = r.top + (cy * kBaseY + 4) / 8;
    return r;
}

HWND new_window()
{
    world().windows.emplace_back();
    return &world().windows.back();
}

// Builds the dialog and its controls from a classic DLGTEMPLATE; nullptr when it is malformed.
HWND create_from_template(const unsigned char *data, size_t size, HWND owner)
{
    Reader r{data, size};
    DWORD style = r.dword();
    if ((style & 0xFFFF0000u) == 0xFFFF0000u) return nullptr;  // DLGTEMPLATEEX: not ours
    r.dword();                                                  // extended style
    unsigned count = r.word();
    int x = (short)r.word(), y = (short)r.word(), cx = r.word(), cy = r.word();
    unsigned ord;
    r.sz_or_ord(&ord);  // menu
    r.sz_or_ord(&ord);  // class
    HWND dialog = new_window();
    dialog->owner = owner;
    dialog->style = style;
    dialog->text = r.sz_or_ord(&ord);
    if (style & DS_SETFONT) {
        r.word();
        r.sz_or_ord(&ord);
    }
    RECT client = dialog_units(x, y, cx, cy);
    dialog->rect = {client.left, client.top, client.right + 2 * kFrame,
                    client.bottom + 2 * kFrame + kCaption};
    for (unsigned i = 0; i < count && !r.bad; i++) {
        r.align(4);
        HWND control = new_window();
        control->parent = dialog;
        control->style = r.dword();
        r.dword();
        int ix = (short)r.word(), iy = (short)r.word(), icx = r.word(), icy = r.word();
        control->rect = dialog_units(ix, iy, icx, icy);
        control->id = r.word();
        r.sz_or_ord(&ord);
        control->atom = ord;
        control->text = r.sz_or_ord(&ord);
        r.at += r.word();  // creation data
        dialog->children.push_back(control);
    }
    if (r.bad) return nullptr;
    world().dialogs++;
    return dialog;
}

void destroy(HWND dialog)
{
    for (HWND child : dialog->children) child->alive = false;
    dialog->alive = false;
    if (world().focus && !world().focus->alive) world().focus = nullptr;
}

}  // namespace

// ---- KERNEL32 ----

HFILE WINAPI OpenFile(LPCSTR name, LPOFSTRUCT of, UINT style)
{
    record("OpenFile(%s, %u)", name, style);
    memset(of, 0, sizeof *of);
    of->cBytes = sizeof *of;
    of->nErrCode = 2;  // ERROR_FILE_NOT_FOUND
    if (style != OF_READ) return HFILE_ERROR;

    std::vector<std::string> candidates;
    if (strchr(name, '/')) {
        candidates.push_back(name);
    } else {
        char cwd[PATH_MAX];
        candidates.push_back(world().program_dir + "/" + name);
        if (getcwd(cwd, sizeof cwd)) candidates.push_back(std::string(cwd) + "/" + name);
    }
    for (const std::string &path : candidates) {
        struct stat st;
        if (stat(path.c_str(), &st) != 0) continue;
        if (path.size() >= OFS_MAXPATHNAME) return HFILE_ERROR;
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            of->nErrCode = 5;  // ERROR_ACCESS_DENIED
            return HFILE_ERROR;
        }
        of->nErrCode = 0;
        memcpy(of->szPathName, path.c_str(), path.size() + 1);
        world().files.insert(fd);
        return fd;
    }
    return HFILE_ERROR;
}

UINT WINAPI _lread(HFILE file, LPVOID buffer, UINT count)
{
    record("_lread(%u)", count);
    if (!world().files.count(file)) return (UINT)HFILE_ERROR;
    UINT done = 0;
    while (done < count) {
        ssize_t n = read(file, (char *)buffer + done, count - done);
        if (n < 0) return (UINT)HFILE_ERROR;
        if (n == 0) break;
        done += (UINT)n;
    }
    return done;
}

HFILE WINAPI _lclose(HFILE file)
{
    record("_lclose");
    if (!world().files.erase(file)) return HFILE_ERROR;
    close(file);
    return file;
}

// ---- USER32 ----

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param)
{
    int module = 0;
    for (HINSTANCE__ &m : world().modules) {
        module++;
        if (&m == instance) break;
    }
    record("DialogBoxParamA(%s, module %d, owner %s, param %ld)", name,
           instance ? module : 0, name_of(owner).c_str(), (long)param);
    size_t size = 0;
    const unsigned char *data = instance ? find_dialog(instance, name, &size) : nullptr;
    HWND dialog = data ? create_from_template(data, size, owner) : nullptr;
    if (!dialog) {
        record("DialogBoxParamA -> -1");
        return -1;
    }
    dialog->proc = proc;

    HWND first_tab_stop = nullptr;
    for (HWND child : dialog->children)
        if (!first_tab_stop && (child->style & WS_TABSTOP)) first_tab_stop = child;
    if (proc(dialog, WM_INITDIALOG, (WPARAM)first_tab_stop, param) && first_tab_stop)
        world().focus = first_tab_stop;

    if (!dialog->ended) {
        dialog->style |= WS_VISIBLE;
        record("[shown]");
    }
    for (int round = 0; !dialog->ended; round++) {
        if (round == kUserRounds || !world().user) {
            record("DialogBoxParamA: no answer");
            dialog->ended = true;
            dialog->result = -2;
            break;
        }
        standin::User user = world().user;  // the user may hand over to another while acting
        user(dialog);
    }
    destroy(dialog);
    record("DialogBoxParamA -> %ld", (long)dialog->result);
    return dialog->result;
}

HWND WINAPI GetDlgItem(HWND dialog, int id)
{
    record("GetDlgItem(%d)", id);
    if (!exists(dialog)) return nullptr;
    for (HWND child : dialog->children)
        if (child->id == id) return child;
    return nullptr;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text)
{
    record("SetWindowTextA(%s)", name_of(window).c_str());
    if (!exists(window)) return FALSE;
    window->text = text;
    return TRUE;
}

HWND WINAPI SetFocus(HWND window)
{
    record("SetFocus(%s)", name_of(window).c_str());
    if (window && !exists(window)) return nullptr;
    HWND previous = world().focus;
    world().focus = window;
    return previous;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result)
{
    record("EndDialog(%ld)", (long)result);
    if (!exists(dialog) || !dialog->proc) return FALSE;
    dialog->ended = true;
    dialog->result = result;
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect)
{
    record("GetWindowRect(%s)", name_of(window).c_str());
    if (!exists(window)) return FALSE;
    *rect = window->rect;
    return TRUE;
}

HDC WINAPI GetDC(HWND window)
{
    record("GetDC(%s)", name_of(window).c_str());
    if (window && !exists(window)) return nullptr;
    world().dcs.push_back(HDC__{window});
    world().dcs_held++;
    return &world().dcs.back();
}

int WINAPI ReleaseDC(HWND window, HDC dc)
{
    record("ReleaseDC(%s)", name_of(window).c_str());
    if (!dc || dc->window != window) return 0;
    dc->window = (HWND)-1;  // released: a second release fails
    world().dcs_held--;
    return 1;
}

BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags)
{
    record("SetWindowPos(%d, %d, %u)", x, y, flags);
    if (!exists(window)) return FALSE;
    RECT &r = window->rect;
    if (flags & SWP_NOSIZE) {
        cx = r.right - r.left;
        cy = r.bottom - r.top;
    }
    r = {x, y, x + cx, y + cy};
    return TRUE;
}

// ---- GDI32 ----

int WINAPI GetDeviceCaps(HDC dc, int index)
{
    record("GetDeviceCaps(%d)", index);
    if (!dc || dc->window == (HWND)-1) return 0;
    if (index == HORZRES) return world().screen_w;
    if (index == VERTRES) return world().screen_h;
    return 0;
}

// ---- steering ----

namespace standin {

void reset()
{
    World &w = world();
    for (int fd : w.files) ::close(fd);
    w.files.clear();
    w.modules.clear();
    w.windows.clear();
    w.dcs.clear();
    w.calls.clear();
    w.program_dir = program_dir_of_self();
    w.screen_w = 1024;
    w.screen_h = 768;
    w.user = nullptr;
    w.focus = nullptr;
    w.dcs_held = 0;
    w.dialogs = 0;
}

HINSTANCE load_module(const char *res_path)
{
    world().modules.emplace_back();
    HINSTANCE module = &world().modules.back();
    std::ifstream in(res_path, std::ios::binary);
    module->res.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return module;
}

void set_program_dir(const std::string &dir) { world().program_dir = dir; }

void set_screen(int width, int height)
{
    world().screen_w = width;
    world().screen_h = height;
}

void set_user(User user) { world().user = std::move(user); }

void command(HWND dialog, int id, int code)
{
    HWND control = nullptr;
    for (HWND child : dialog->children)
        if (child->id == id) control = child;
    send(dialog, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)control);
}

void click(HWND dialog, int id) { command(dialog, id, BN_CLICKED); }

void close(HWND dialog)
{
    // What the dialog manager does with the close box when the procedure leaves it alone.
    if (send(dialog, WM_SYSCOMMAND, SC_CLOSE, 0)) return;
    if (send(dialog, WM_CLOSE, 0, 0)) return;
    click(dialog, IDCANCEL);
}

INT_PTR send(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!exists(window) || !window->proc) return 0;
    return window->proc(window, message, wparam, lparam);
}

const std::vector<std::string> &calls() { return world().calls; }

int call_index(const std::string &prefix)
{
    const std::vector<std::string> &c = world().calls;
    for (size_t i = 0; i < c.size(); i++)
        if (c[i].compare(0, prefix.size(), prefix) == 0) return (int)i;
    return -1;
}

std::string text(HWND window) { return window->text; }
DWORD style(HWND window) { return window->style; }
int control_id(HWND window) { return window->id; }
WORD class_atom(HWND window) { return window->atom; }
RECT rect(HWND window) { return window->rect; }
bool alive(HWND window) { return window->alive; }
HWND owner(HWND window) { return window->owner; }
HWND focus() { return world().focus; }
std::vector<HWND> children(HWND dialog) { return dialog->children; }
int dialogs_created() { return world().dialogs; }
int files_open() { return (int)world().files.size(); }
int dcs_held() { return world().dcs_held; }

}  // namespace standin
