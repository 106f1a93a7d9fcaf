// DisplayLegalBullshit and DllMain against the stand-in: outcomes, the text file, the buffer,
// and the order in which the file and the dialog are taken and given back.
#include <unistd.h>

#include "fixture.h"

namespace {

void accept(HWND dialog) { standin::click(dialog, IDOK); }
void decline(HWND dialog) { standin::click(dialog, IDCANCEL); }

}  // namespace

TEST_F(PromptTest, OutcomeFollowsTheDialogResult)
{
    write_text("Terms.\r\n");
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt(accept)) << "dialog result 1";
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt(decline)) << "dialog result 0 from Do Not Accept";
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt(standin::close)) << "dialog result 0 from the close box";
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt([](HWND d) { EndDialog(d, 2); })) << "any other result";
    EXPECT_EQ(4, standin::dialogs_created());
    EXPECT_EQ(0, standin::files_open());
}

TEST_F(PromptTest, DialogComesFromTheLibraryModuleWithNoOwner)
{
    HINSTANCE other = standin::load_module(AGREEMENT_RES);
    // Only the process attach records the instance; the other reasons change nothing.
    EXPECT_EQ(TRUE, DllMain(other, DLL_THREAD_ATTACH, nullptr));
    EXPECT_EQ(TRUE, DllMain(other, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(TRUE, DllMain(other, DLL_PROCESS_DETACH, nullptr));
    write_text("Terms.\r\n");
    HWND seen_owner = (HWND)1;
    prompt([&](HWND d) { seen_owner = standin::owner(d); accept(d); });

    EXPECT_EQ(nullptr, seen_owner);
    ASSERT_GE(standin::call_index("DialogBoxParamA("), 0);
    EXPECT_EQ("DialogBoxParamA(AboutBox, module 1, owner NULL, param 0)",
              standin::calls()[standin::call_index("DialogBoxParamA(")]);
}

TEST_F(PromptTest, AbsentFileGivesMinusOneAndNoDialog)
{
    EXPECT_EQ(LEGALPROMPT_NO_TEXT, prompt_and_accept());
    EXPECT_EQ(0, standin::dialogs_created());
    EXPECT_EQ(-1, standin::call_index("DialogBoxParamA"));
    EXPECT_EQ(-1, standin::call_index("_lread"));
    // The buffer is cleared before the open, so a failed open leaves it all zero.
    for (size_t i = 0; i < sizeof agreement_text; i++)
        ASSERT_EQ(0, agreement_text[i]) << "byte " << i;
}

TEST_F(PromptTest, FileIsOpenedByBareNameForReading)
{
    write_text("Terms.\r\n");
    prompt_and_accept();
    ASSERT_GE(standin::call_index("OpenFile"), 0);
    EXPECT_EQ("OpenFile(liscn.txt, 0)", standin::calls()[standin::call_index("OpenFile")]);
    EXPECT_EQ("_lread(16380)", standin::calls()[standin::call_index("_lread")]);
}

TEST_F(PromptTest, HostProgramDirectoryComesBeforeCurrentDirectory)
{
    write_text("from the program's directory", program_dir_);
    write_text("from the current directory");
    prompt_and_accept();
    EXPECT_EQ("from the program's directory", shown_);

    unlink((program_dir_ + "/liscn.txt").c_str());
    prompt_and_accept();
    EXPECT_EQ("from the current directory", shown_);
}

TEST_F(PromptTest, TextIsShownAsItsBytes)
{
    // CR LF line ends, a byte-order mark and 8-bit characters go to the text box untouched.
    const std::string bytes = "\xEF\xBB\xBFLine one\r\nLigne deux \xE9t\xE9\r\n\r\n\tEnd";
    write_text(bytes);
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt_and_accept());
    EXPECT_EQ(bytes, shown_);
}

TEST_F(PromptTest, EmptyFileShowsAnEmptyBoxThatCanBeAccepted)
{
    write_text("");
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt_and_accept());
    EXPECT_EQ(1, standin::dialogs_created());
    EXPECT_EQ("", shown_);
}

TEST_F(PromptTest, AtMost16380BytesAreShown)
{
    write_text(repeat_text(16380));
    prompt_and_accept();
    EXPECT_EQ(16380u, shown_.size());
    EXPECT_EQ(repeat_text(16380), shown_);

    for (size_t size : {16381u, 16384u, 40000u}) {
        write_text(repeat_text(size));
        prompt_and_accept();
        EXPECT_EQ(16380u, shown_.size()) << "file of " << size << " bytes";
        EXPECT_EQ(repeat_text(16380), shown_) << "file of " << size << " bytes";
    }
}

TEST_F(PromptTest, BufferAlwaysEndsInZeros)
{
    write_text(std::string(20000, 'x'));
    prompt_and_accept();
    for (int i = 0; i < AGREEMENT_TEXT_READ; i++)
        ASSERT_EQ('x', agreement_text[i]) << "byte " << i;
    for (int i = AGREEMENT_TEXT_READ; i < AGREEMENT_TEXT_SIZE; i++)
        EXPECT_EQ(0, agreement_text[i]) << "byte " << i;
}

TEST_F(PromptTest, ZeroByteEndsTheText)
{
    write_text(std::string("Shown\r\n\0hidden", 14));
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, prompt_and_accept());
    EXPECT_EQ("Shown\r\n", shown_);
}

TEST_F(PromptTest, LongTextThenShortShowsOnlyTheShort)
{
    write_text(std::string(9000, 'L'));
    prompt_and_accept();
    write_text("short");
    prompt_and_accept();
    EXPECT_EQ("short", shown_);
    for (size_t i = 5; i < sizeof agreement_text; i++)
        ASSERT_EQ(0, agreement_text[i]) << "byte " << i;
}

TEST_F(PromptTest, FailedReadGivesMinusOneWithTheFileClosed)
{
    // Opens like a file, but reading at offset 0 fails with EIO.
    ASSERT_EQ(0, symlink("/proc/self/mem", "liscn.txt"));
    EXPECT_EQ(LEGALPROMPT_NO_TEXT, prompt_and_accept());
    EXPECT_EQ(0, standin::dialogs_created());
    EXPECT_EQ(-1, standin::call_index("DialogBoxParamA"));
    EXPECT_GT(standin::call_index("_lclose"), standin::call_index("_lread"));
    EXPECT_EQ(0, standin::files_open());
}

TEST_F(PromptTest, MissingTemplateDeclinesWithTheFileClosed)
{
    ASSERT_EQ(TRUE, DllMain(standin::load_module(AGREEMENT_WITHOUT_TEMPLATE_RES),
                            DLL_PROCESS_ATTACH, nullptr));
    write_text("Terms.\r\n");
    EXPECT_EQ(LEGALPROMPT_DECLINED, prompt_and_accept());
    EXPECT_EQ(0, standin::dialogs_created());
    EXPECT_GT(standin::call_index("_lclose"), standin::call_index("DialogBoxParamA -> -1"));
    EXPECT_EQ(0, standin::files_open());
}

TEST_F(PromptTest, FileStaysOpenUntilTheDialogHasEnded)
{
    write_text("Terms.\r\n");
    int open_while_shown = -1;
    prompt([&](HWND d) { open_while_shown = standin::files_open(); accept(d); });
    EXPECT_EQ(1, open_while_shown);
    int ended = standin::call_index("DialogBoxParamA -> 1");
    ASSERT_GE(ended, 0);
    EXPECT_EQ(ended + 1, standin::call_index("_lclose"));
    EXPECT_EQ(0, standin::files_open());
}

TEST_F(PromptTest, SecondPromptWhileTheFirstIsUp)
{
    write_text("first text");
    std::string first_before, first_after, second;
    int inner = 99;
    int outer = prompt([&](HWND first) {
        first_before = standin::text(GetDlgItem(first, IDC_AGREEMENT_TEXT));
        write_text("second");
        standin::set_user([&](HWND d) {
            second = standin::text(GetDlgItem(d, IDC_AGREEMENT_TEXT));
            decline(d);
        });
        inner = DisplayLegalBullshit();
        first_after = standin::text(GetDlgItem(first, IDC_AGREEMENT_TEXT));
        accept(first);
    });
    EXPECT_EQ("first text", first_before);
    EXPECT_EQ("second", second);
    EXPECT_EQ("first text", first_after) << "the first dialog keeps the text it shows";
    EXPECT_EQ(LEGALPROMPT_DECLINED, inner);
    EXPECT_EQ(LEGALPROMPT_ACCEPTED, outer);
    EXPECT_EQ(0, standin::files_open());
}
