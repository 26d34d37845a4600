#include "tests/childprocess.h"
#include "tests/testfolders.h"
#include "text/files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <istream>
#include <iterator>
#include <ostream>
#include <string>

namespace fs = std::filesystem;

namespace {

mode_t permissions(const fs::path& file)
{
    struct stat status {};
    ::stat(file.c_str(), &status);
    return status.st_mode & 07777;
}

// The names in `folder`, so that a temporary file left behind shows.
std::string listing(const fs::path& folder)
{
    std::string list;
    for (const std::string& name : fileNames(folder)) {
        list += (list.empty() ? "" : " ") + name;
    }
    return list;
}

TEST(ReplaceFile, WritesOrReplacesKeepingTheOldPermissionsAndLeavesNothingElse)
{
    TemporaryFolder folder;
    const fs::path page = folder / "pagina.html";
    EXPECT_EQ(text::replaceFile(page, "prima"), "");
    EXPECT_EQ(fileContents(page), "prima");
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(permissions(page), 0666 & ~mask);

    for (const mode_t mode : {0640, 0604, 0755}) {
        ::chmod(page.c_str(), mode);
        EXPECT_EQ(text::replaceFile(page, "dopo"), "");
        EXPECT_EQ(fileContents(page), "dopo");
        EXPECT_EQ(permissions(page), mode);
    }
    EXPECT_EQ(listing(folder.path()), "pagina.html");

    fs::create_directory(folder / "cartella.html");
    EXPECT_EQ(text::replaceFile(folder / "cartella.html", "x"), "al suo posto c'è una cartella");
    EXPECT_EQ(listing(folder.path()), "cartella.html pagina.html");
}

// In a folder others can write, whatever another user left at the page's name is replaced by a
// page of the user's own: a link is never followed, so the file it leads to, outside the folder,
// stays as it was; only a regular file of the user's own passes its permissions on.
TEST(ReplaceFile, NeverWritesThroughWhatAnotherUserPlanted)
{
    TemporaryFolder shared;
    TemporaryFolder home;
    const fs::path keys = home / "authorized_keys";
    std::ofstream(keys) << "chiave";
    ::chmod(keys.c_str(), 0600);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    const bool administrator = ::geteuid() == 0; // can give a file to another user

    const struct {
        const char* name;
        std::function<void(const fs::path&)> plant;
    } planted[] = {
        {"ElencoComuni.html",
         [&](const fs::path& page) {
             fs::create_symlink(keys, page);
         }},
        {"relativo.html",
         [&](const fs::path& page) {
             fs::create_symlink(fs::path("..") / home.path().filename() / "authorized_keys", page);
         }},
        {"senza-meta.html",
         [&](const fs::path& page) {
             fs::create_symlink(home / "mancante", page);
         }},
        {"verso-cartella.html",
         [&](const fs::path& page) {
             fs::create_symlink(home.path(), page);
         }},
        {"altrui.html",
         [&](const fs::path& page) {
             std::ofstream(page) << "altrui";
             ::chmod(page.c_str(), 0666);
             [[maybe_unused]] const int given = ::chown(page.c_str(), 4242, 4242);
         }},
    };
    for (const auto& [name, plant] : planted) {
        const fs::path page = shared / name;
        plant(page);
        EXPECT_EQ(text::replaceFile(page, "pagina"), "") << name;
        EXPECT_FALSE(fs::is_symlink(page)) << name;
        EXPECT_EQ(fileContents(page), "pagina") << name;
        if (std::string(name) != "altrui.html" || administrator) {
            EXPECT_EQ(permissions(page), 0666 & ~mask) << name;
        }
    }
    EXPECT_EQ(fileContents(keys), "chiave");
    EXPECT_EQ(permissions(keys), 0600u);
    EXPECT_EQ(listing(home.path()), "authorized_keys");
    EXPECT_EQ(listing(shared.path()), "ElencoComuni.html altrui.html relativo.html "
                                      "senza-meta.html verso-cartella.html");
}

// What stands in the way is named for what it is: the folder, the file or the disk.
TEST(ReplaceFile, FailuresNameTheirCauseAndLeaveTheOldFileAsItWas)
{
    TemporaryFolder folder;
    const fs::path page = folder / "pagina.html";
    std::ofstream(page) << "vecchia";
    ::chmod(page.c_str(), 0444);
    const auto lockedFile = childprocess::run(childprocess::withoutPrivileges,
                                              [&] { return text::replaceFile(page, "nuova"); });
    const auto lockedFolder = childprocess::run(childprocess::withoutPrivileges, [&] {
        ::chmod(page.c_str(), 0644);
        ::chmod(folder.path().c_str(), 0555);
        return text::replaceFile(page, "nuova") + "|" +
               text::replaceFile(folder / "nuova.html", "nuova");
    });
    ::chmod(folder.path().c_str(), 0755);
    if (!lockedFile || !lockedFolder) {
        GTEST_SKIP() << "no process without an administrator's rights can be made here";
    }
    EXPECT_EQ(*lockedFile, "il file è di sola lettura");
    EXPECT_EQ(*lockedFolder, "la cartella è di sola lettura|la cartella è di sola lettura");
    EXPECT_EQ(fileContents(page), "vecchia");
    EXPECT_EQ(listing(folder.path()), "pagina.html");

    // A disk of 64 KiB holding the old page: a page of a megabyte does not fit.
    const auto full = childprocess::run(childprocess::smallDisk(folder.path(), 64 * 1024), [&] {
        std::ofstream(page) << "vecchia";
        const std::string reason = text::replaceFile(page, std::string(1 << 20, 'x'));
        return reason + "|" + fileContents(page) + "|" + listing(folder.path());
    });
    if (!full) {
        GTEST_SKIP() << "no small disk can be mounted here";
    }
    EXPECT_EQ(*full, "il disco è pieno|vecchia|pagina.html");
}

// A new file takes a name only where nothing stands, not even a link that leads nowhere; one
// dropped before it has a name leaves nothing behind, nor does one that does not fit the disk.
TEST(NewFile, TakesOnlyAFreeNameAndLeavesNothingWithoutOne)
{
    TemporaryFolder folder;
    std::ofstream(folder / "preso.csv") << "altro";
    fs::create_symlink(folder / "mancante", folder / "collegamento.csv");
    {
        text::NewFile answer(folder / "risposta.csv");
        ASSERT_EQ(answer.failure(), "");
        std::ostream(&answer.bytes()) << "risposta";
        EXPECT_TRUE(answer.finish());
        EXPECT_FALSE(answer.takeFreeName(folder / "preso.csv"));
        EXPECT_FALSE(answer.takeFreeName(folder / "collegamento.csv"));
        EXPECT_EQ(answer.failure(), "");
        EXPECT_TRUE(answer.takeFreeName(folder / "libero.csv"));
    }
    {
        text::NewFile dropped(folder / "altra.csv");
        std::ostream(&dropped.bytes()) << std::string(200'000, 'x');
    }
    {
        text::NewFile unnamed(folder / "altra.csv");
        std::ostream(&unnamed.bytes()) << "finita";
        EXPECT_TRUE(unnamed.finish());
    }
    EXPECT_EQ(fileContents(folder / "libero.csv"), "risposta");
    EXPECT_EQ(fileContents(folder / "preso.csv"), "altro");
    EXPECT_FALSE(fs::exists(folder / "mancante"));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(permissions(folder / "libero.csv"), 0666 & ~mask);
    EXPECT_EQ(listing(folder.path()), "collegamento.csv libero.csv preso.csv");

    const auto full = childprocess::run(childprocess::smallDisk(folder.path(), 64 * 1024), [&] {
        std::string told;
        {
            text::NewFile answer(folder / "risposta.csv");
            std::ostream(&answer.bytes()) << std::string(1 << 20, 'x');
            told = std::to_string(answer.finish()) + "|" + answer.failure();
        }
        return told + "|" + listing(folder.path());
    });
    if (!full) {
        GTEST_SKIP() << "no small disk can be mounted here";
    }
    EXPECT_EQ(*full, "0|il disco è pieno|");
}

TEST(DescriptorOutput, RemembersWhyAWriteFailed)
{
    const int descriptor = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(descriptor, 0);
    {
        text::DescriptorOutput buffer(descriptor);
        std::ostream out(&buffer);
        out << "poco";
        EXPECT_EQ(buffer.error(), 0); // still held
        out << std::string(200'000, 'x');
        EXPECT_FALSE(out.flush());
        EXPECT_EQ(text::fileFailure(buffer.error()), "il disco è pieno");
    }
    ::close(descriptor);

    TemporaryFolder folder;
    const int file = ::open((folder / "uscita.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    {
        text::DescriptorOutput buffer(file);
        std::ostream out(&buffer);
        out << "uno " << std::string(100'000, 'x') << " due";
        EXPECT_TRUE(out.flush());
    }
    ::close(file);
    EXPECT_EQ(fileContents(folder / "uscita.txt"), "uno " + std::string(100'000, 'x') + " due");
}

// Files of every size around the pieces read, whole and from a position sought.
TEST(DescriptorInput, ReadsAFileInPiecesAndSeeksInIt)
{
    TemporaryFolder folder;
    constexpr std::size_t kPiece = 64 * 1024;
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, kPiece - 1, kPiece, 3 * kPiece + 7}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>('a' + i % 23);
        }
        const fs::path file = folder / "ingresso.txt";
        std::ofstream(file, std::ios::binary) << bytes;
        text::DescriptorInput buffer(::open(file.c_str(), O_RDONLY), true);
        std::istream in(&buffer);
        const std::string read{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(read, bytes) << size;
        in.clear();
        const std::size_t from = size / 2;
        in.seekg(static_cast<std::streamoff>(from));
        const std::string rest{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(rest, bytes.substr(from)) << size;
    }
}

} // namespace
