// Marked folders: what a run leaves behind is removed later only with the
// proof that a run of ours made it and is gone; nothing else named like ours,
// nothing still held, and never recursively.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "builders/TempDir.h"
#include "support/FolderHandle.h"
#include "support/MarkedFolder.h"
#include "support/Platform.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

class MarkedFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(parent.open(dir.u16())); }

  // A marked folder whose run died: everything closed, nothing removed.
  void leaveDead(const std::u16string &name) {
    MarkedFolder dead;
    ASSERT_EQ(dead.create(parent, name), MarkedFolder::Made::Yes);
    dead.abandonForTesting();
  }
  fs::path at(const std::u16string &name) const { return dir.path() / ToFsPath(name); }

  TempDir dir;
  FolderHandle parent;
};

TEST_F(MarkedFolderTest, CreateMakesThePrivateFolderWithItsMarkerAndRemoveTakesAll) {
  MarkedFolder folder;
  ASSERT_EQ(folder.create(parent, u"run"), MarkedFolder::Made::Yes);
  MarkedFolder second;
  EXPECT_EQ(second.create(parent, u"run"), MarkedFolder::Made::NameTaken);
  EXPECT_FALSE(second.isOpen());
  ASSERT_EQ(folder.create(parent, u"run2"), MarkedFolder::Made::Yes);  // run is removed first
  EXPECT_FALSE(fs::exists(at(u"run")));
  EXPECT_TRUE(fs::is_regular_file(at(u"run2") / ToFsPath(kFolderMarkerName)));
#ifndef _WIN32
  EXPECT_EQ(fs::status(at(u"run2")).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
  WriteFileBytes(at(u"run2") / "image.bmp", {1});
  folder.remove();
  EXPECT_FALSE(fs::exists(at(u"run2")));
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(MarkedFolderTest, ADeadRunsFolderIsRemovedWithItsFiles) {
  leaveDead(u"dead");
  WriteFileBytes(at(u"dead") / "part.jww", {1, 2});
  EXPECT_TRUE(RemoveAbandonedFolder(parent, u"dead"));
  EXPECT_FALSE(fs::exists(at(u"dead")));
}

TEST_F(MarkedFolderTest, AFolderStillHeldByItsRunStays) {
  MarkedFolder live;
  ASSERT_EQ(live.create(parent, u"live"), MarkedFolder::Made::Yes);
  WriteFileBytes(at(u"live") / "part.jww", {1});
  EXPECT_FALSE(RemoveAbandonedFolder(parent, u"live"));
  EXPECT_EQ(ReadFileBytes(at(u"live") / "part.jww"), std::vector<std::uint8_t>{1});
}

// Each look-alike lacks one piece of the proof; the control case above has
// them all.
TEST_F(MarkedFolderTest, LookAlikesWithoutTheWholeProofStay) {
  leaveDead(u"dead");
  // No marker at all: a user's folder.
  fs::create_directory(at(u"plain"));
  WriteFileBytes(at(u"plain") / "notes.txt", {'n'});
  // A marker copied from another folder names that folder, not this one.
  fs::create_directory(at(u"copy"));
  fs::copy_file(at(u"dead") / ToFsPath(kFolderMarkerName), at(u"copy") / ToFsPath(kFolderMarkerName));
  // A marker whose text was changed.
  leaveDead(u"edited");
  WriteFileBytes(at(u"edited") / ToFsPath(kFolderMarkerName), {'x'});
  // A file, not a folder.
  WriteFileBytes(at(u"file"), {'f'});

  for (const std::u16string name : {u"plain", u"copy", u"edited", u"file", u"missing"})
    EXPECT_FALSE(RemoveAbandonedFolder(parent, name)) << fs::path(ToFsPath(name));
  EXPECT_EQ(ReadFileBytes(at(u"plain") / "notes.txt"), std::vector<std::uint8_t>{'n'});
  EXPECT_TRUE(fs::exists(at(u"copy") / ToFsPath(kFolderMarkerName)));
  EXPECT_TRUE(fs::exists(at(u"edited")));
  EXPECT_TRUE(fs::exists(at(u"file")));
  EXPECT_TRUE(RemoveAbandonedFolder(parent, u"dead"));
}

// Regression: a kill between making a folder and finishing its marker left
// a folder no later run could prove, and so never removed. Holding nothing
// else, it goes; with anything else in it, it stays.
TEST_F(MarkedFolderTest, AFolderKilledWhileItWasMadeGoesWhenItHoldsNothingElse) {
  fs::create_directory(at(u"empty"));
  for (const std::u16string name : {u"cut", u"cut-with-file"}) {
    leaveDead(name);  // its marker names itself; cut short below
    auto text = ReadFileBytes(at(name) / ToFsPath(kFolderMarkerName));
    ASSERT_GT(text.size(), 20u);
    text.resize(text.size() / 2);
    WriteFileBytes(at(name) / ToFsPath(kFolderMarkerName), text);
  }
  WriteFileBytes(at(u"cut-with-file") / "notes.txt", {'n'});

  EXPECT_TRUE(RemoveAbandonedFolder(parent, u"empty"));
  EXPECT_TRUE(RemoveAbandonedFolder(parent, u"cut"));
  EXPECT_FALSE(RemoveAbandonedFolder(parent, u"cut-with-file"));
  EXPECT_FALSE(fs::exists(at(u"empty")));
  EXPECT_FALSE(fs::exists(at(u"cut")));
  EXPECT_EQ(ReadFileBytes(at(u"cut-with-file") / "notes.txt"), std::vector<std::uint8_t>{'n'});
}

// Never recursively: a folder found inside a proven one stays with what it
// holds, and so does the proven folder with its marker, to be tried again.
TEST_F(MarkedFolderTest, FoldersInsideAProvenFolderAreNotEntered) {
  leaveDead(u"dead");
  WriteFileBytes(at(u"dead") / "part.jww", {1});
  fs::create_directory(at(u"dead") / "sub");
  WriteFileBytes(at(u"dead") / "sub" / "keep.txt", {'k'});
  EXPECT_FALSE(RemoveAbandonedFolder(parent, u"dead"));
  EXPECT_FALSE(fs::exists(at(u"dead") / "part.jww"));
  EXPECT_EQ(ReadFileBytes(at(u"dead") / "sub" / "keep.txt"), std::vector<std::uint8_t>{'k'});
  EXPECT_TRUE(fs::exists(at(u"dead") / ToFsPath(kFolderMarkerName)));
  fs::remove_all(at(u"dead") / "sub");
  EXPECT_TRUE(RemoveAbandonedFolder(parent, u"dead"));
}

#ifndef _WIN32  // symbolic links need a privilege on Windows
TEST_F(MarkedFolderTest, ALinkToADeadRunsFolderIsNotFollowed) {
  TempDir elsewhere;
  FolderHandle other;
  ASSERT_TRUE(other.open(elsewhere.u16()));
  {
    MarkedFolder dead;
    ASSERT_EQ(dead.create(other, u"dead"), MarkedFolder::Made::Yes);
    dead.abandonForTesting();
  }
  WriteFileBytes(elsewhere.path() / "dead" / "part.jww", {1});
  fs::create_directory_symlink(elsewhere.path() / "dead", at(u"link"));
  EXPECT_FALSE(RemoveAbandonedFolder(parent, u"link"));
  EXPECT_TRUE(fs::exists(elsewhere.path() / "dead" / "part.jww"));
}
#endif

}  // namespace
}  // namespace velkaro
