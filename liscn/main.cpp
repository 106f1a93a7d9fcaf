// liscn: checks, fixes and previews a licence agreement text ("liscn.txt") for the agreement
// dialog, which shows at most 16380 bytes of it, up to a zero byte, in the ANSI code page,
// with lines broken only at CR LF.
#include <getopt.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "codepage.h"
#include "commands.h"
#include "output.h"
#include "platform.h"

namespace {

const char kUsage[] =
    "usage: liscn check FILE [--codepage N] [--from ENCODING] [--allow-cut]\n"
    "       liscn fix IN OUT [--codepage N] [--from ENCODING] [--allow-cut]\n"
    "       liscn preview FILE [--codepage N]\n"
    "\n"
    "check    reports what the agreement dialog will make of FILE: the cut after 16380 bytes,\n"
    "         a zero byte, line ends other than CR LF, a byte-order mark, UTF-8 or UTF-16 text,\n"
    "         bytes that are no character of the code page.\n"
    "         Exit 0: shown as written; 1: not; 2: usage error or unreadable file.\n"
    "fix      writes OUT from IN with CR LF line ends, no mark, in the ANSI code page N. IN is\n"
    "         UTF-8 (with or without a byte-order mark), UTF-16 with a mark, or ANSI. A\n"
    "         character the code page cannot hold, a zero byte, an empty text, or a result over\n"
    "         16380 bytes is refused and OUT is not written. IN is never changed; OUT is\n"
    "         replaced whole or not at all, and must be a regular file (or a link to one).\n"
    "         Exit 0: written; 1: not written; 2: usage error or a file that cannot be used.\n"
    "preview  prints the text that the dialog's box will hold, decoded from code page N, in\n"
    "         UTF-8; a line end other than CR LF shows as \xE2\x90\x8A (LF) or \xE2\x90\x8D (CR), a byte\n"
    "         that is no character as \xEF\xBF\xBD.\n"
    "\n"
    "--codepage N      the ANSI code page of the systems the text is for: 874, 932, 936, 949,\n"
    "                  950, 1250-1258 (default 1252, Western)\n"
    "--from ENCODING   what IN or FILE is in, where its bytes do not say: ansi, utf-8,\n"
    "                  utf-16le or utf-16be (by default: UTF-16 by its mark, else UTF-8 where\n"
    "                  all of it is, else ANSI)\n"
    "--allow-cut       a text longer than the dialog shows is meant so: noted, written\n"
    "\n"
    "Lines, columns and bytes are counted from 1; columns in characters.\n";

int usage_error(const std::string &message)
{
    emit(&g_err, "liscn: " + message + "\n(liscn --help tells how to use it)\n");
    return kExitTrouble;
}

bool parse_from(const char *s, Encoding *e)
{
    static const struct {
        const char *name;
        Encoding encoding;
    } names[] = {{"ansi", Encoding::Ansi}, {"utf-8", Encoding::Utf8}, {"utf8", Encoding::Utf8},
                 {"utf-16le", Encoding::Utf16le}, {"utf-16be", Encoding::Utf16be}};
    for (const auto &n : names)
        if (strcasecmp(s, n.name) == 0) return *e = n.encoding, true;
    return false;
}

int run(int argc, char **argv)
{
    static const option kOptions[] = {
        {"codepage", required_argument, nullptr, 'c'},
        {"from", required_argument, nullptr, 'f'},
        {"allow-cut", no_argument, nullptr, 'a'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    Options options;
    int cp = 1252;
    bool help = false, from_given = false, cut_given = false;
    std::string error;  // the first; --help wins over it
    // --help and -h win wherever they stand, even where an option wants a value.
    for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; i++)
        help |= strcmp(argv[i], "-h") == 0 || strcmp(argv[i], "--help") == 0 || strncmp(argv[i], "--help=", 7) == 0;
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, ":h", kOptions, nullptr)) != -1;) {
        const char *arg = argv[optind - 1];
        if (c == 'h') {
            help = true;
        } else if (c == 'c') {
            char *end;
            long n = strtol(optarg, &end, 10);
            if (!error.empty()) continue;
            if (*end || !isdigit((unsigned char)*optarg) || n <= 0 || n > 65535)
                error = std::string("--codepage ") + optarg + ": not a code page number";
            else
                cp = (int)n;
        } else if (c == 'f') {
            from_given = true;
            if (!parse_from(optarg, &options.from) && error.empty())
                error = std::string("--from ") + optarg + ": say ansi, utf-8, utf-16le or utf-16be";
        } else if (c == 'a') {
            cut_given = options.allow_cut = true;
        } else if (error.empty()) {
            if (c == ':')
                error = std::string(optopt == 'c' ? "--codepage" : optopt == 'f' ? "--from" : arg) + " needs a value";
            else if (strncmp(arg, "--allow-cut=", 12) == 0)
                error = "--allow-cut takes no value";
            else if (strncmp(arg, "--", 2) == 0 && strchr(arg, '='))
                error = "unknown option " + std::string(arg, (size_t)(strchr(arg, '=') - arg));
            else
                error = std::string("unknown option ") + (optopt && strncmp(arg, "--", 2) ? std::string("-") + (char)optopt : arg);
        }
    }
    if (help) {
        emit(&g_out, kUsage, sizeof kUsage - 1);
        return kExitOk;
    }
    if (!error.empty()) return usage_error(error);
    std::vector<const char *> words(argv + optind, argv + argc);
    if (words.empty()) return usage_error("no command: say check, fix or preview");
    const std::string command = words[0];
    size_t files = words.size() - 1;
    if (command != "check" && command != "fix" && command != "preview")
        return usage_error("unknown command " + command + ": say check, fix or preview");
    size_t want = command == "fix" ? 2 : 1;
    if (files != want)
        return usage_error(command + " takes " + (want == 2 ? "two files, IN and OUT" : "one FILE") + ", not " +
                           std::to_string(files));
    if (command == "preview" && (from_given || cut_given))
        return usage_error(std::string(from_given ? "--from" : "--allow-cut") +
                           ": preview shows the bytes as the dialog reads them, whatever they are meant to be");
    if (!codepage_select(cp))
        return usage_error("--codepage " + std::to_string(cp) + ": liscn takes " + kCodePageList +
                           (cp == 932 || cp == 936 || cp == 949 || cp == 950 ? " (this system cannot convert it)" : ""));
    if (command == "check") return check_command(words[1], options);
    if (command == "fix") return fix_command(words[1], words[2], options);
    return preview_command(words[1]);
}

// Every failure to write standard output or error is an error of the run.
int finish(int code)
{
    bool out = emit_flush(&g_out);
    if (!out) emit(&g_err, std::string("liscn: cannot write standard output: ") + platform_error() + "\n");
    bool err = emit_flush(&g_err);
    return out && err ? code : kExitTrouble;
}

}  // namespace

#ifdef _WIN32
// Arguments arrive in UTF-16 and go on in UTF-8, so that any file name works.
int wmain(int argc, wchar_t **wargv)
{
    std::vector<std::string> args(argc);
    std::vector<char *> argv(argc + 1, nullptr);
    for (int i = 0; i < argc; i++) {
        int n = WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, nullptr, 0, nullptr, nullptr);
        args[i].resize(n > 0 ? n : 1);
        WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, &args[i][0], n, nullptr, nullptr);
        argv[i] = &args[i][0];
    }
    return finish(run(argc, argv.data()));
}
#else
int main(int argc, char **argv) { return finish(run(argc, argv)); }
#endif
