// liscn: checks, fixes and previews a licence agreement text ("liscn.txt") for the agreement
// dialog, which shows at most 16380 bytes of it, up to a zero byte, in the ANSI code page,
// with lines broken only at CR LF.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "codepage.h"
#include "text_fix.h"
#include "text_report.h"

namespace {

const int kUsageError = 2;

const char kUsage[] =
    "usage: liscn check FILE [--codepage N]\n"
    "       liscn fix IN OUT [--codepage N] [--allow-cut]\n"
    "       liscn preview FILE [--codepage N]\n"
    "\n"
    "check    reports what the agreement dialog will make of FILE: the cut after 16380 bytes,\n"
    "         a zero byte, line ends other than CR LF, a byte-order mark, UTF-8 text.\n"
    "         Exit 0: shown as written; 1: not; 2: usage error or unreadable file.\n"
    "fix      writes OUT from IN (UTF-8 with or without a byte-order mark, or ANSI) with CR LF\n"
    "         line ends, no mark, in the ANSI code page N (default 1252). A character that\n"
    "         the code page cannot hold, or a result over 16380 bytes, is an error and OUT is\n"
    "         not written (--allow-cut writes a long one all the same). IN is never changed.\n"
    "         Exit 0: written; 1: not written; 2: usage error or a file that cannot be used.\n"
    "preview  prints the text that the dialog's box will hold, decoded from code page N, in\n"
    "         UTF-8; a line end other than CR LF shows as \xE2\x90\x8A (LF) or \xE2\x90\x8D (CR).\n";

int usage_error(const char *message)
{
    fprintf(stderr, "liscn: %s\n\n%s", message, kUsage);
    return kUsageError;
}

// Reads the whole file; says why on stderr when it cannot.
bool read_file(const std::string &path, std::string *bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (in) bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in || in.bad()) {
        fprintf(stderr, "liscn: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

// Writes bytes to path whole or not at all: a file beside it, then a rename over it.
bool write_file_whole(const std::string &path, const std::string &bytes, std::string *error)
{
    const std::string temp = path + ".liscn-partial";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        out.flush();
        if (!out) {
            *error = std::strerror(errno);
            out.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        *error = ec.message();
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

int check(const std::string &file, int cp)
{
    std::string bytes;
    if (!read_file(file, &bytes)) return kUsageError;
    TextReport report = analyse(bytes);
    fputs(describe(report, file, cp).c_str(), stdout);
    return report.has_problems() ? 1 : 0;
}

int fix(const std::string &in_path, const std::string &out_path, int cp, bool allow_cut)
{
    std::string in;
    if (!read_file(in_path, &in)) return kUsageError;
    std::error_code ec;
    if (std::filesystem::equivalent(in_path, out_path, ec)) {
        fprintf(stderr, "liscn: %s is %s: fix never changes its input; name another OUT\n",
                out_path.c_str(), in_path.c_str());
        return kUsageError;
    }
    FixResult r = fix_text(in, cp, allow_cut);
    if (!r.ok) {
        fprintf(stderr, "liscn: %s: %s; %s not written\n", in_path.c_str(), r.error.c_str(), out_path.c_str());
        return 1;
    }
    std::string error;
    if (!write_file_whole(out_path, r.bytes, &error)) {
        fprintf(stderr, "liscn: cannot write %s: %s\n", out_path.c_str(), error.c_str());
        return kUsageError;
    }
    printf("%s: read as %s; wrote %s: %zu bytes, code page %d, CR LF line ends\n", in_path.c_str(),
           r.source.c_str(), out_path.c_str(), r.bytes.size(), cp);
    if (r.cut)
        printf("warning: the dialog shows only the first %zu bytes, up to line %zu, column %zu\n",
               kShownBytes, r.cut_at.line, r.cut_at.column);
    return 0;
}

int preview(const std::string &file, int cp)
{
    std::string bytes;
    if (!read_file(file, &bytes)) return kUsageError;
    TextReport report = analyse(bytes);
    std::string shown = bytes.substr(0, report.shown), out;
    for (size_t i = 0; i < shown.size(); i++) {
        char c = shown[i];
        if (c == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') {
            out += '\n';
            i++;
        } else if (c == '\n' || c == '\r') {
            out += c == '\n' ? "\xE2\x90\x8A" : "\xE2\x90\x8D";  // shown run together
        } else {
            std::string utf8;
            size_t bad;
            out += ansi_to_utf8(std::string(1, c), cp, &utf8, &bad) ? utf8 : "\xEF\xBF\xBD";
        }
    }
    fwrite(out.data(), 1, out.size(), stdout);
    if (!out.empty() && out.back() != '\n') fputc('\n', stdout);
    fflush(stdout);  // the text first, then the summary
    fprintf(stderr, "-- %zu of %zu bytes shown, as code page %d%s\n", report.shown, report.size, cp,
            report.zero ? "; a zero byte ends the text" : report.cut ? "; the rest is cut" : "");
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);  // reports and previews are UTF-8
#endif
    std::string files[2];
    int nfiles = 0, cp = 1252;
    bool allow_cut = false;
    if (argc < 2) return usage_error("no command");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        fputs(kUsage, stdout);
        return 0;
    }
    for (int i = 2; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--codepage" && i + 1 < argc) {
            char *end;
            long n = std::strtol(argv[++i], &end, 10);
            if (*end || n <= 0 || n > 65535 || !codepage_supported((int)n))
                return usage_error(("unknown code page " + std::string(argv[i])).c_str());
            cp = (int)n;
        } else if (arg == "--allow-cut" && command == "fix") {
            allow_cut = true;
        } else if (arg.compare(0, 2, "--") == 0 || nfiles == 2) {
            return usage_error(("unexpected argument " + arg).c_str());
        } else {
            files[nfiles++] = arg;
        }
    }
    if (command == "check" && nfiles == 1) return check(files[0], cp);
    if (command == "preview" && nfiles == 1) return preview(files[0], cp);
    if (command == "fix" && nfiles == 2) return fix(files[0], files[1], cp, allow_cut);
    return usage_error(("wrong command or files: " + command).c_str());
}
