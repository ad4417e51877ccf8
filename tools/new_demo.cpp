// orlath-new-demo: starts a new demo on the kit from the template.
//
//   orlath-new-demo NAME [DIR]   writes DIR (default ./NAME) with
//                                CMakeLists.txt, frame.cpp, README.md and
//                                the sync track sync/hop.txt
//
// NAME becomes the program's name and its CMake target, so it must be a C
// identifier and not a name CMake keeps for itself. DIR may exist only if
// it is empty. A refusal writes nothing. Exit status: 0 written, 1 a file
// could not be written (what was written is removed again), 2 a wrong
// command line, a refused name or a refused folder.
// The next steps it prints are commands to paste: paths quoted for the
// shell, and the prefix of the kit this copy belongs to.
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "new_demo_templates.h"
#include "tools/tool_options.h"

namespace fs = std::filesystem;

namespace {

const char usage[] =
    "usage: orlath-new-demo NAME [DIR]\n"
    "Writes a new demo project (CMakeLists.txt, frame.cpp, README.md, sync/hop.txt) into DIR,\n"
    "or ./NAME. NAME is a C identifier; DIR must not exist or be empty.\n";

enum { NAME_MAX_LENGTH = 64 };

struct TemplateFile {
    const char* fileName;
    const char* text;
};

const TemplateFile templateFiles[] = {
    {"CMakeLists.txt", templateCMakeLists},
    {"frame.cpp", templateFrame},
    {"README.md", templateReadme},
    {"sync/hop.txt", templateHopTrack},
};

// Target names CMake's generators make themselves.
const char* const reservedNames[] = {"all", "clean", "help", "install", "package", "package_source", "test",
                                     "edit_cache", "rebuild_cache", "depend", "list_install_components"};

bool IsIdentifier(const char* name)
{
    size_t length = strlen(name);
    if (length == 0 || length > NAME_MAX_LENGTH)
        return false;
    for (size_t i = 0; i < length; ++i) {
        char c = name[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (!letter && !(i > 0 && c >= '0' && c <= '9'))
            return false;
    }
    return true;
}

bool IsReserved(const char* name)
{
    for (const char* reserved : reservedNames)
        if (strcmp(name, reserved) == 0)
            return true;
    return false;
}

std::string Fill(const char* text, const char* name)
{
    static const char placeholder[] = "{{name}}";
    std::string out = text;
    for (size_t at = out.find(placeholder); at != std::string::npos; at = out.find(placeholder, at))
        out.replace(at, sizeof placeholder - 1, name), at += strlen(name);
    return out;
}

// The kit's prefix: the folder above this program's bin/ when the kit's
// package is there (installed, or moved since), else the prefix the build
// was configured to install to.
std::string KitPrefix(const char* argv0)
{
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error)
        self = fs::absolute(argv0, error);
    fs::path prefix = fs::weakly_canonical(self, error).parent_path().parent_path();
    if (fs::is_regular_file(prefix / ORLATH_INSTALL_CMAKE_DIR / "OrlathConfig.cmake", error))
        return prefix.string();
    return ORLATH_INSTALL_PREFIX;
}

// A word the shell takes as it is: quoted unless it holds only characters
// that mean nothing to the shell.
std::string ShellWord(const std::string& word)
{
    static const char plain[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-+./:@%,=";
    if (!word.empty() && word.find_first_not_of(plain) == std::string::npos)
        return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool WriteText(const fs::path& path, const std::string& text)
{
    FILE* file = fopen(path.string().c_str(), "wb");
    if (!file)
        return false;
    bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv)
{
    int status = CheckToolOptions(argc, argv, "orlath-new-demo", usage);
    if (status >= 0)
        return status;
    if (argc < 2 || argc > 3) {
        fputs(usage, stderr);
        return 2;
    }
    const char* name = argv[1];
    if (!IsIdentifier(name)) {
        fprintf(stderr,
                "orlath-new-demo: '%s' is not a C identifier (letters, digits and '_', not starting with a "
                "digit, at most %d characters); nothing written\n",
                name, NAME_MAX_LENGTH);
        return 2;
    }
    if (IsReserved(name)) {
        fprintf(stderr, "orlath-new-demo: '%s' is a target name CMake keeps for itself; nothing written\n", name);
        return 2;
    }

    fs::path dir = argc == 3 ? fs::path(argv[2]) : fs::path(name);
    std::error_code error;
    bool existed = fs::exists(dir, error);
    if (existed && !fs::is_directory(dir, error)) {
        fprintf(stderr, "orlath-new-demo: %s exists and is not a folder; nothing written\n", dir.string().c_str());
        return 2;
    }
    if (existed && !fs::is_empty(dir, error)) {
        fprintf(stderr, "orlath-new-demo: %s is not empty; give a new or empty folder; nothing written\n",
                dir.string().c_str());
        return 2;
    }
    if (!existed && !fs::create_directories(dir, error)) {
        fprintf(stderr, "orlath-new-demo: cannot make %s: %s\n", dir.string().c_str(), error.message().c_str());
        return 1;
    }

    for (const TemplateFile& file : templateFiles) {
        fs::path path = dir / file.fileName;
        fs::create_directories(path.parent_path(), error);
        if (!WriteText(path, Fill(file.text, name))) {
            fprintf(stderr, "orlath-new-demo: cannot write %s\n", path.string().c_str());
            // Leave the folder as it was found.
            for (const TemplateFile& written : templateFiles)
                fs::remove(dir / written.fileName, error);
            fs::remove(dir / "sync", error);
            if (!existed)
                fs::remove(dir, error);
            return 1;
        }
    }

    printf("orlath-new-demo: wrote %s (CMakeLists.txt, frame.cpp, README.md, sync/hop.txt)\n", dir.string().c_str());
    std::string source = ShellWord(dir.string()), build = ShellWord((dir / "build").string());
    printf("next:\n  cmake -S %s -B %s -DCMAKE_PREFIX_PATH=%s\n", source.c_str(), build.c_str(),
           ShellWord(KitPrefix(argv[0])).c_str());
    printf("  cmake --build %s && cd %s && ./%s\n", build.c_str(), ShellWord((dir / "build" / "bin").string()).c_str(),
           name);
    return 0;
}
