// The private work folder for extracted images: unique, mode 0700, under the
// system's temporary folder, gone with everything in it at the end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "convert/WorkFolder.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

TEST(WorkFolder, IsAPrivateUniqueFolderUnderTheTemporaryFolder) {
  std::optional<WorkFolder> a = WorkFolder::Create();
  std::optional<WorkFolder> b = WorkFolder::Create();
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->path(), b->path());
  ASSERT_FALSE(a->path().empty());
  EXPECT_EQ(a->path().back(), PathSeparator());
  const fs::path p = ToFsPath(a->path());
  EXPECT_TRUE(fs::is_directory(p));
  EXPECT_EQ(fs::canonical(p).parent_path(), fs::canonical(fs::temp_directory_path()));
#ifndef _WIN32  // Windows: the user's temporary folder is private by its ACL
  EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
}

TEST(WorkFolder, IsRemovedWithWhatIsLeftInItWhenItGoes) {
  fs::path p;
  {
    std::optional<WorkFolder> folder = WorkFolder::Create();
    ASSERT_TRUE(folder);
    p = ToFsPath(folder->path());
    std::ofstream(p / "left.bmp") << "image";
    fs::create_directory(p / "sub");
  }
  EXPECT_FALSE(fs::exists(p));
}

#ifndef _WIN32  // mingw's std::filesystem makes no symbolic links
// Regression: removing the folder must not follow a link found in it.
TEST(WorkFolder, RemovingDoesNotFollowLinksInside) {
  const fs::path outside = fs::temp_directory_path() / "velkaro-workfolder-test-keep";
  fs::create_directories(outside);
  std::ofstream(outside / "keep.txt") << "keep";
  {
    std::optional<WorkFolder> folder = WorkFolder::Create();
    ASSERT_TRUE(folder);
    fs::create_directory_symlink(outside, ToFsPath(folder->path()) / "link");
  }
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
  fs::remove_all(outside);
}
#endif

TEST(WorkFolder, MovingHandsTheFolderOverAndRemoveEndsItEarly) {
  std::optional<WorkFolder> a = WorkFolder::Create();
  ASSERT_TRUE(a);
  const std::u16string path = a->path();
  WorkFolder b = std::move(*a);
  a.reset();  // the moved-from object owns nothing any more
  EXPECT_EQ(b.path(), path);
  EXPECT_TRUE(IsFolder(path));
  b.remove();
  EXPECT_FALSE(IsFolder(path));
  EXPECT_TRUE(b.path().empty());
}

}  // namespace
}  // namespace velkaro
