// The Windows side of the platform seams: what differs from POSIX and is
// pinned here (the code page's single bytes, device names, creation times,
// sharing) and the file-identity checks that keep a batch out of its source.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include "builders/TempDir.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro {
namespace {

using testing::TempDir;

const wchar_t *W(const std::u16string &s) { return reinterpret_cast<const wchar_t *>(s.c_str()); }

// Windows' 932 gives the bytes ICU leaves undecodable a character each
// (0x80 itself, 0xA0 and 0xFD-0xFF in the private use area), and takes them
// back: pinned, since a drawing holding them keeps its bytes here.
TEST(WindowsCodepage, LoneSingleBytesOfTheWindowsTableRoundTrip) {
  const struct {
    std::uint8_t byte;
    char16_t unit;
  } cases[] = {{0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};
  for (const auto &c : cases) {
    EXPECT_EQ(LegacyBytesToString(Bytes{c.byte}), std::u16string(1, c.unit)) << int(c.byte);
    EXPECT_EQ(StringToLegacyBytes(std::u16string(1, c.unit)), Bytes{c.byte}) << int(c.byte);
  }
}

TEST(WindowsCodepage, UndecodablePairsStillGiveReplacementCharacters) {
  // Windows' own default character would be U+30FB, a real "・" (81 45).
  EXPECT_EQ(LegacyBytesToString(Bytes{0x85, 0x40, 0x81, 0x45}), u"\uFFFD・");
}

TEST(WindowsPath, DeviceNamesAreRefusedWithAnyExtension) {
  for (const std::u16string p : {u"CON", u"nul.txt", u"C:\\out\\com1.jww", u"LPT9.BAK",
                                 u"D:\\aux\\plan.jww", u"prn .jww", u"conin$"})
    EXPECT_FALSE(IsUsablePath(p)) << ToUtf8(p);
  for (const std::u16string p : {u"CONSOLE.jww", u"com10.jww", u"C:\\out\\LPT.jww", u"nul1",
                                 u"C:\\図面\\aux-plan.jww"})
    EXPECT_TRUE(IsUsablePath(p)) << ToUtf8(p);
  EXPECT_FALSE(IsFile(u"NUL"));
}

TEST(WindowsPath, PathsAreUtf16Unchanged) {
  const std::u16string p = u"C:\\図面 フォルダ\\plan.jww";
  EXPECT_EQ(FromFsPath(ToFsPath(p)), p);
  EXPECT_EQ(ToFsPath(p).native(), std::wstring(L"C:\\図面 フォルダ\\plan.jww"));
}

// mingw's fs::equivalent("dir", "dir/") is false: the identity decides.
TEST(WindowsIdentity, OneFolderUnderEverySpellingIsTheSame) {
  TempDir dir;
  const std::u16string folder = dir.u16() + u"\\Source Folder Of Drawings";
  ASSERT_TRUE(CreateFolder(folder));
  wchar_t shortName[MAX_PATH];
  const DWORD n = GetShortPathNameW(W(folder), shortName, MAX_PATH);
  ASSERT_GT(n, 0u);
  const std::u16string shortPath(shortName, shortName + n);
  ASSERT_NE(shortPath, folder);

  for (const std::u16string &other :
       {folder + u"\\", folder + u"/", LocaleUpperCase(folder), LocaleLowerCase(folder), shortPath,
        folder + u"\\.\\"})
    EXPECT_TRUE(SameFileOrFolder(folder, other)) << ToUtf8(other);
  ASSERT_TRUE(CreateFolder(dir.u16() + u"\\Other"));
  EXPECT_FALSE(SameFileOrFolder(folder, dir.u16() + u"\\Other"));
  EXPECT_FALSE(SameFileOrFolder(folder, dir.u16() + u"\\missing"));
}

TEST(WindowsIdentity, HardLinksAreSeenAsOneFile) {
  TempDir dir;
  dir.write("a.jww", {1, 2});
  dir.write("c.jww", {1, 2});
  EXPECT_FALSE(SameFileOrFolder(dir.file("a.jww"), dir.file("c.jww")));
  if (!CreateHardLinkW(W(dir.file("b.jww")), W(dir.file("a.jww")), nullptr))
    GTEST_SKIP() << "no hard links on this file system";
  EXPECT_TRUE(SameFileOrFolder(dir.file("a.jww"), dir.file("B.JWW")));
}

TEST(WindowsFiles, CopyFileWithTimesCarriesTheCreationTimeToo) {
  TempDir dir;
  dir.write("plan.jww", {1, 2, 3});
  FileStatus times;
  times.creation = {1500000000, 1234500};  // 100-ns steps
  times.access = {1600000000, 7654300};
  times.modification = {1614675903, 987654300};
  times.hasCreation = true;
  ASSERT_TRUE(SetFileTimes(ToFsPath(dir.file("plan.jww")), times));

  ASSERT_TRUE(CopyFileWithTimes(dir.file("plan.jww"), dir.file("plan.BAK")));
  FileStatus source, copy;
  ASSERT_TRUE(QueryFileStatus(ToFsPath(dir.file("plan.jww")), source));
  ASSERT_TRUE(QueryFileStatus(ToFsPath(dir.file("plan.BAK")), copy));
  EXPECT_TRUE(copy.hasCreation);
  EXPECT_EQ(copy.modification.seconds, 1614675903);
  EXPECT_EQ(copy.modification.nanoseconds, 987654300);
  EXPECT_EQ(copy.access.seconds, 1600000000);
  EXPECT_EQ(dir.read("plan.BAK"), (Bytes{1, 2, 3}));
  // Wine on a POSIX file system keeps no creation time (it reports another).
  if (source.creation.seconds != 1500000000) GTEST_SKIP() << "no creation times kept here";
  EXPECT_EQ(copy.creation.seconds, 1500000000);
  EXPECT_EQ(copy.creation.nanoseconds, 1234500);
}

// Others may read a file we read or write; nobody else may write it.
TEST(WindowsFiles, OpenFilesLetOthersReadButNotWrite) {
  TempDir dir;
  dir.write("plan.jww", {1});
  InputFile in;
  ASSERT_TRUE(in.open(dir.file("plan.jww")));
  const auto tryOpen = [&](DWORD access) {
    const HANDLE h = CreateFileW(W(dir.file("plan.jww")), access,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
  };
  EXPECT_TRUE(tryOpen(GENERIC_READ));
  EXPECT_FALSE(tryOpen(GENERIC_WRITE));
  in.close();
  EXPECT_TRUE(tryOpen(GENERIC_WRITE));

  OutputFile out;
  ASSERT_TRUE(out.create(dir.file("new.jww")));
  const HANDLE other = CreateFileW(W(dir.file("new.jww")), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
  EXPECT_EQ(other, INVALID_HANDLE_VALUE);
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
  out.close();
}

TEST(WindowsFiles, AtomicWriteReplacesAnExistingTarget) {
  TempDir dir;
  dir.write("plan.jww", Bytes(5000, 0xAA));
  ASSERT_TRUE(WriteFileAtomically(dir.file("plan.jww"), Bytes{7, 8}));
  EXPECT_EQ(dir.read("plan.jww"), (Bytes{7, 8}));
}

}  // namespace
}  // namespace velkaro

#endif  // _WIN32
