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
#include "report.h"

namespace {

const char kUsage[] =
    "usage: liscn check FILE [--codepage N] [--from ENCODING] [--allow-cut]\n"
    "       liscn fix IN OUT [--codepage N] [--from ENCODING] [--allow-cut] [--force] [--reflow]\n"
    "       liscn preview FILE [--codepage N]\n"
    "\n"
    "check    reports what the agreement dialog will make of FILE: the cut after 16380 bytes,\n"
    "         a zero byte, line ends other than CR LF, a byte-order mark, UTF-8 or UTF-16 text,\n"
    "         bytes that are no character of the code page; and notes a text hard-wrapped at a\n"
    "         fixed column, which the box breaks into long lines and stubs.\n"
    "         Exit 0: shown as written; 1: not; 2: a usage error, a file that cannot be read,\n"
    "         or a report that cannot be written.\n"
    "fix      writes OUT from IN with CR LF line ends, no mark, in the ANSI code page N. IN is\n"
    "         UTF-8 (with or without a byte-order mark), UTF-16 with a mark, or ANSI. A\n"
    "         character the code page cannot hold, a zero byte, an empty text, or a result over\n"
    "         16380 bytes is refused and OUT is not written. IN is never changed; OUT is\n"
    "         replaced whole or not at all, and must be a regular file (or a link to one); a\n"
    "         read-only one only with --force. IN - is standard input; OUT - is standard\n"
    "         output, as is an OUT that names a stream this program writes to (/dev/stdout):\n"
    "         it gets the text whole once it is settled, and the report goes to standard error.\n"
    "         Exit 0: OUT written (even if the report then cannot be); 1: not written, the\n"
    "         text is refused; 2: not written, a usage error or a file that cannot be used.\n"
    "preview  prints the text that the dialog's box will hold, decoded from code page N, in\n"
    "         UTF-8; a line end other than CR LF shows as \xE2\x90\x8A (LF) or \xE2\x90\x8D (CR), a byte\n"
    "         that is no character as \xEF\xBF\xBD. Exit 0: shown; 2: a usage error, a file\n"
    "         that cannot be read, or output that cannot be written.\n"
    "\n"
    "--codepage N      the ANSI code page of the systems the text is for: 874, 932, 936, 949,\n"
    "                  950, 1250-1258 (default 1252, Western)\n"
    "--from ENCODING   what IN or FILE is in, where its bytes do not say: ansi, utf-8,\n"
    "                  utf-16le or utf-16be (by default: UTF-16 by its mark, else UTF-8 where\n"
    "                  all of it is, else ANSI)\n"
    "--allow-cut       a text longer than the dialog shows is meant so: noted, written\n"
    "--force           fix replaces a read-only OUT\n"
    "--reflow          fix joins the lines of each hard-wrapped paragraph into one, which the\n"
    "                  box wraps at its own width; blank lines, list items, indented or short\n"
    "                  lines, table rows, rules and the headings they underline, copyright\n"
    "                  lines and titles in capitals stay lines (not for code pages 932-950)\n"
    "\n"
    "Lines, columns and bytes are counted from 1; columns in characters.\n";

bool g_wrote_out;  // fix has written OUT

int usage_error(const std::string &message)
{
    emit(&g_err, "liscn: " + shown_name(message) + "\n(liscn --help tells how to use it)\n");
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
        {"force", no_argument, nullptr, 'F'},
        {"reflow", no_argument, nullptr, 'r'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    Options options;
    int cp = 1252;
    bool help = false, from_given = false, cut_given = false, force_given = false, reflow_given = false;
    std::vector<const char *> words;
    std::string error;  // the first; --help wins over it
    // --help and -h win wherever they stand, even where an option wants a value.
    for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; i++)
        help |= strcmp(argv[i], "-h") == 0 || strcmp(argv[i], "--help") == 0 || strncmp(argv[i], "--help=", 7) == 0;
    opterr = 0;
    // "-": words come back in order as option 1, so options may follow them (fix IN OUT
    // --codepage 1251) even where POSIXLY_CORRECT would stop at the first word.
    for (int c; (c = getopt_long(argc, argv, "-:h", kOptions, nullptr)) != -1;) {
        const char *arg = argv[optind - 1];
        if (c == 1) {
            words.push_back(optarg);
        } else if (c == 'h') {
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
        } else if (c == 'F') {
            force_given = options.force = true;
        } else if (c == 'r') {
            reflow_given = options.reflow = true;
        } else if (error.empty()) {
            if (c == ':')
                error = std::string(optopt == 'c' ? "--codepage" : optopt == 'f' ? "--from" : arg) + " needs a value";
            else if (strncmp(arg, "--allow-cut=", 12) == 0 || strncmp(arg, "--force=", 8) == 0 ||
                     strncmp(arg, "--reflow=", 9) == 0)
                error = std::string(arg, (size_t)(strchr(arg, '=') - arg)) + " takes no value";
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
    words.insert(words.end(), argv + optind, argv + argc);  // after --
    if (words.empty()) return usage_error("no command: say check, fix or preview");
    const std::string command = words[0];
    size_t files = words.size() - 1;
    if (command != "check" && command != "fix" && command != "preview")
        return usage_error("unknown command " + command + ": say check, fix or preview");
    size_t want = command == "fix" ? 2 : 1;
    if (files != want)
        return usage_error(command + " takes " + (want == 2 ? "two files, IN and OUT" : "one FILE") + ", not " +
                           std::to_string(files));
    if (command != "fix" && force_given) return usage_error("--force: only fix writes a file");
    if (command != "fix" && reflow_given) return usage_error("--reflow: only fix writes a file");
    if (command == "preview" && (from_given || cut_given))
        return usage_error(std::string(from_given ? "--from" : "--allow-cut") +
                           ": preview shows the bytes as the dialog reads them, whatever they are meant to be");
    if (!codepage_select(cp))
        return usage_error("--codepage " + std::to_string(cp) + ": liscn takes " + kCodePageList +
                           (cp == 932 || cp == 936 || cp == 949 || cp == 950 ? " (this system cannot convert it)" : ""));
    if (command == "check") return check_command(words[1], options);
    if (command == "fix") {
        int code = fix_command(words[1], words[2], options);
        g_wrote_out = code == kExitOk;
        return code;
    }
    return preview_command(words[1]);
}

// Every failure to write standard output or error is an error of the run, but for a fix that
// has written OUT: its exit code says that OUT was written, whatever became of the report.
int finish(int code, bool wrote_out)
{
    bool out = emit_flush(&g_out);
    if (!out) emit(&g_err, std::string("liscn: cannot write standard output: ") + platform_error() + "\n");
    bool err = emit_flush(&g_err);
    return (out && err) || wrote_out ? code : kExitTrouble;
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
    int code = run(argc, argv.data());
    return finish(code, g_wrote_out);
}
#else
int main(int argc, char **argv)
{
    int code = run(argc, argv);
    return finish(code, g_wrote_out);
}
#endif
