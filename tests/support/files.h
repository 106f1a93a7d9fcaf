// Files and folders of the tests.
#ifndef LEGALPROMPT_SUPPORT_FILES_H
#define LEGALPROMPT_SUPPORT_FILES_H

#include <windows.h>

#include <string>

std::string program_dir();  // this program's directory, ending in a backslash
std::string text_path();    // "liscn.txt" in the program's directory, where the search begins
bool write_file(const std::string &path, const std::string &bytes);
void remove_file(const std::string &path);
std::string make_temp_dir(const char *name);  // a fresh empty directory, ending in a backslash
// Restores the current directory when it goes out of scope.
struct CurrentDirectory {
    explicit CurrentDirectory(const std::string &dir);
    ~CurrentDirectory();
    char saved[MAX_PATH];
};

// What a folder (ending in a backslash) holds, names relative to it ("nsa1.tmp/{a.exe } b.txt ");
// "" when empty.
std::string folder_contents(const std::string &dir);
// This program's temp folder as it started, whatever set_temp has done since.
const std::string &original_temp();
// Points TEMP and TMP, which this program and the ones it starts take, at dir.
void set_temp(const std::string &dir);
// Deletes a folder (ending in a backslash) and all it holds.
void remove_tree(const std::string &dir);

// A text of exactly size bytes: numbered lines of printable characters ended by CR LF.
std::string sample_text(size_t size);

#endif
