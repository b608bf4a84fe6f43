// The media information window on copies of real files: what it shows,
// stepping between rows, saving and its failures, and how the main window
// opens it.
#include "app/finfo.h"
#include "app/fplay.h"
#include "playlist/playlistops.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::TestWorld;

namespace {

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An ID3v1 tag with the given title, track and genre byte.
QByteArray id3v1Tag(const QByteArray& title, char track, char genre) {
  QByteArray tag = "TAG" + title.leftJustified(30, ' ') + QByteArray(30, ' ') + QByteArray(30, ' ') +
                   QByteArray("2001") + QByteArray(28, ' ');
  tag += '\0';
  tag += track;
  tag += genre;
  return tag;
}

struct FInfoTest : ::testing::Test {
  TestWorld world;
  std::unique_ptr<AppContext> ctx = world.makeContext();
  std::unique_ptr<FInfo> window;
  int removals = 0;

  // A private copy of a fixture, optionally with bytes appended.
  QString copy(const QString& name, const QString& as, const QByteArray& appended = {}) {
    const QString target = world.path(as);
    QByteArray bytes = readBytes(lyrovo::testing::fixture(name));
    EXPECT_FALSE(bytes.isEmpty()) << name.toStdString();
    world.writeFile(as, bytes + appended);
    return target;
  }
  void addRows(const QStringList& paths) {
    for (const QString& path : paths)
      AddList(ctx->playlist, ctx->BP1, ctx->tags, path, ctx->playlist.count() + 1);
    RenumberRows(ctx->playlist, 1);
  }
  void open(int selected) {
    ctx->playlist.setSelectedItem(selected);
    window = std::make_unique<FInfo>(*ctx, [this] { ++removals; });
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->Form_Load();
  }
};

}  // namespace

TEST_F(FInfoTest, ShowsTheRowsTagsAndStreamWithBothButtonsOffForOneRow) {
  addRows({copy(QStringLiteral("id3v1.mp3"), QStringLiteral("one.mp3"))});
  open(1);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Lyrovo - 媒体信息 [1]"));
  EXPECT_EQ(window->pathEdit->text(), world.path(QStringLiteral("one.mp3")));
  EXPECT_EQ(window->trackEdit->text(), QStringLiteral("3"));
  EXPECT_EQ(window->titleEdit->text(), QStringLiteral("moon song"));
  EXPECT_EQ(window->albumEdit->text(), QStringLiteral("Album"));
  EXPECT_EQ(window->yearEdit->text(), QStringLiteral("2007"));
  EXPECT_EQ(window->genreEdit->text(), QStringLiteral("Rock"));
  EXPECT_EQ(window->commentEdit->text(), QStringLiteral("comment"));
  EXPECT_EQ(window->formatLabel->text(), QStringLiteral("MPEG layer 3"));
  EXPECT_EQ(window->channelsLabel->text(), QStringLiteral("立体声"));
  EXPECT_EQ(window->frequencyLabel->text(), QStringLiteral("44.1kHz"));
  EXPECT_EQ(window->lengthLabel->text(), QStringLiteral("00:02"));
  EXPECT_FALSE(window->previousButton->isEnabled());
  EXPECT_FALSE(window->nextButton->isEnabled());
  EXPECT_FALSE(window->saveButton->isEnabled());
  EXPECT_TRUE(window->ownTagsLabel->isHidden());  // only an ID3v1 tag
}

TEST_F(FInfoTest, Mp3GenreNamesAndSteppingBetweenRows) {
  addRows({copy(QStringLiteral("tone1k.mp3"), QStringLiteral("a.mp3"), id3v1Tag("Twelve", 1, 12)),
           copy(QStringLiteral("tone1k.mp3"), QStringLiteral("b.mp3"), id3v1Tag("Two hundred", 2, char(200))),
           copy(QStringLiteral("tone1k.mp3"), QStringLiteral("c.mp3"))});
  open(1);
  EXPECT_EQ(window->genreEdit->text(), QStringLiteral("Other"));
  EXPECT_FALSE(window->previousButton->isEnabled());
  EXPECT_TRUE(window->nextButton->isEnabled());

  window->nextButton->clicked();
  EXPECT_EQ(window->infoIndex(), 2);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Lyrovo - 媒体信息 [2]"));
  EXPECT_EQ(window->genreEdit->text(), QStringLiteral("未知流派"));
  EXPECT_TRUE(window->previousButton->isEnabled());
  EXPECT_TRUE(window->nextButton->isEnabled());

  window->nextButton->clicked();
  EXPECT_EQ(window->genreEdit->text(), QString());  // no ID3v1 tag: no genre, not "Blues"
  EXPECT_EQ(window->trackEdit->text(), QStringLiteral("0"));
  EXPECT_FALSE(window->nextButton->isEnabled());
  window->previousButton->clicked();
  EXPECT_EQ(window->titleEdit->text(), QStringLiteral("two hundred"));
}

TEST_F(FInfoTest, AMissingFileIsAnnouncedAndItsRowRemoved) {
  const QString missing = copy(QStringLiteral("tone1k.mp3"), QStringLiteral("b.mp3"));
  addRows({copy(QStringLiteral("id3v1.mp3"), QStringLiteral("a.mp3")), missing,
           copy(QStringLiteral("tone1k.wav"), QStringLiteral("c.wav"))});
  ctx->player.CurrentIndex = 3;
  ASSERT_TRUE(QFile::remove(missing));
  open(1);

  window->nextButton->clicked();
  const auto messages = world.prompts.callsOf(QStringLiteral("message"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, Prompts::Icon::Critical);
  EXPECT_EQ(messages[0].title, QStringLiteral("Lyrovo - 警告"));
  EXPECT_EQ(messages[0].text,
            QStringLiteral("文件：") + missing + QStringLiteral(" 不存在，即将从列表中删除！"));
  EXPECT_EQ(removals, 1);
  ASSERT_EQ(ctx->playlist.count(), 2);
  EXPECT_EQ(ctx->playlist.row(2).numberText, QStringLiteral("2."));
  EXPECT_EQ(ctx->player.CurrentIndex, 2);  // follows its row
  EXPECT_EQ(window->infoIndex(), 1);       // stays on the row shown
  EXPECT_EQ(window->titleEdit->text(), QStringLiteral("moon song"));

  window->nextButton->clicked();
  EXPECT_EQ(window->infoIndex(), 2);
  EXPECT_EQ(window->titleEdit->text(), QStringLiteral("c"));
  EXPECT_FALSE(window->nextButton->isEnabled());
}

TEST_F(FInfoTest, AnOggShowsTheLibrarysGenreAndSaveWritesNoTag) {
  const QString ogg = copy(QStringLiteral("tagged.ogg"), QStringLiteral("t.ogg"));
  const QByteArray before = readBytes(ogg);
  addRows({ogg});
  ctx->player.CurrentIndex = 1;
  open(1);
  EXPECT_EQ(window->genreEdit->text(), QStringLiteral("Rock"));
  EXPECT_EQ(window->trackEdit->text(), QStringLiteral("5"));

  window->titleEdit->setText(QStringLiteral("  New Title "));
  EXPECT_TRUE(window->saveButton->isEnabled());
  window->saveButton->clicked();
  EXPECT_FALSE(window->saveButton->isEnabled());
  EXPECT_EQ(window->titleEdit->text(), QStringLiteral("New Title"));
  EXPECT_EQ(ctx->playlist.row(1).title, QStringLiteral("New Title"));
  EXPECT_EQ(ctx->player.SongTitle, QStringLiteral("new title"));
  EXPECT_EQ(readBytes(ogg), before);
  EXPECT_TRUE(world.prompts.calls.empty());
}

TEST_F(FInfoTest, EnterSavesFromTitleButNotFromComment) {
  const QString mp3 = copy(QStringLiteral("id3v1.mp3"), QStringLiteral("s.mp3"));
  const QByteArray before = readBytes(mp3);
  addRows({mp3});
  open(1);

  window->commentEdit->setText(QStringLiteral("新的备注"));
  QTest::keyClick(window->commentEdit, Qt::Key_Return);
  EXPECT_TRUE(window->saveButton->isEnabled());
  EXPECT_EQ(readBytes(mp3), before);

  window->titleEdit->setText(QStringLiteral("Sun Song"));
  QTest::keyClick(window->titleEdit, Qt::Key_Return);
  EXPECT_FALSE(window->saveButton->isEnabled());
  const QByteArray after = readBytes(mp3);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.left(after.size() - 128), before.left(before.size() - 128));  // audio untouched
  TagFields read;
  ASSERT_TRUE(ReadID3v1(mp3, read));
  EXPECT_EQ(read.tagTitle, QStringLiteral("Sun Song"));
  EXPECT_EQ(read.tagComment, QStringLiteral("新的备注"));
  EXPECT_EQ(read.tagTrack, 3);
  EXPECT_EQ(read.tagGenre, QStringLiteral("17"));  // the number read, whatever is shown
}

TEST_F(FInfoTest, ATrackOver255FailsTheWriteButTheRowIsUpdated) {
  const QString mp3 = copy(QStringLiteral("id3v1.mp3"), QStringLiteral("s.mp3"));
  const QByteArray before = readBytes(mp3);
  addRows({mp3});
  ctx->player.CurrentIndex = 1;
  open(1);

  window->trackEdit->setText(QStringLiteral("300"));
  window->artistEdit->setText(QStringLiteral("Other Singer"));
  window->saveButton->clicked();
  EXPECT_TRUE(window->saveButton->isEnabled());
  EXPECT_EQ(ctx->playlist.row(1).artist, QStringLiteral("Other Singer"));
  EXPECT_EQ(ctx->player.SongArtist, QStringLiteral("other singer"));
  EXPECT_EQ(readBytes(mp3), before);
  const auto messages = world.prompts.callsOf(QStringLiteral("message"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("音轨须为 0 到 255 之间的数字，标签未写入！"));
}

TEST_F(FInfoTest, SavingAReadOnlyFileReportsItAndLeavesTheFileAsItWas) {
  const QString mp3 = copy(QStringLiteral("id3v1.mp3"), QStringLiteral("ro.mp3"));
  const QByteArray before = readBytes(mp3);
  addRows({mp3});
  QFile(mp3).setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  open(1);

  window->titleEdit->setText(QStringLiteral("Changed"));
  window->saveButton->clicked();
  EXPECT_TRUE(window->saveButton->isEnabled());
  EXPECT_EQ(readBytes(mp3), before);
  const auto messages = world.prompts.callsOf(QStringLiteral("message"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("文件：") + mp3 + QStringLiteral(" 是只读的，标签未写入！"));
}

TEST_F(FInfoTest, ReadAgainDiscardsEdits) {
  addRows({copy(QStringLiteral("id3v1.mp3"), QStringLiteral("s.mp3"))});
  open(1);
  window->albumEdit->setText(QStringLiteral("Draft"));
  window->reloadButton->clicked();
  EXPECT_EQ(window->albumEdit->text(), QStringLiteral("Album"));
  EXPECT_FALSE(window->saveButton->isEnabled());
}

TEST_F(FInfoTest, TheFilesOwnTagsAreShownWhenTheyDifferFromId3v1) {
  addRows({copy(QStringLiteral("id3v2.mp3"), QStringLiteral("v2.mp3"))});
  open(1);
  EXPECT_FALSE(window->ownTagsLabel->isHidden());
  EXPECT_EQ(window->ownTagsCaption->text(), QStringLiteral("文件自带标签 (ID3v2, 只读):"));
  EXPECT_TRUE(window->ownTagsLabel->text().contains(QStringLiteral("标题: V2 Title")));
  EXPECT_TRUE(window->ownTagsLabel->text().contains(QStringLiteral("歌手: V2 Artist")));
}

TEST(FInfoFromMainWindow, OneModalInstanceForTheSelectedRowOnTopWithTheMainWindow) {
  TestWorld world;
  world.writeFile(QStringLiteral("app/Settings.ini"), "[lyrovo]\r\nautoPlay=0\r\n");
  const QString a = world.path(QStringLiteral("a.mp3"));
  const QString b = world.path(QStringLiteral("b.mp3"));
  world.writeFile(QStringLiteral("a.mp3"), readBytes(lyrovo::testing::fixture(QStringLiteral("id3v1.mp3"))));
  world.writeFile(QStringLiteral("b.mp3"), readBytes(lyrovo::testing::fixture(QStringLiteral("tone1k.mp3"))));
  auto ctx = world.makeContext();
  Fplay main(*ctx, {a, b});
  ASSERT_EQ(main.Form_Load(), Fplay::LoadResult::Run);
  ctx->player.OnTop = true;

  ctx->playlist.setSelectedItem(2);
  main.ShowMediaInfo();
  QPointer<FInfo> first = main.MediaInfoWindow();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->infoIndex(), 2);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->windowModality(), Qt::WindowModal);
  EXPECT_EQ(first->parentWidget(), &main);
  EXPECT_TRUE(first->windowFlags() & Qt::WindowStaysOnTopHint);

  ctx->playlist.setSelectedItem(1);
  main.ShowMediaInfo();
  EXPECT_FALSE(first);  // the old window is gone
  ASSERT_TRUE(main.MediaInfoWindow());
  EXPECT_EQ(main.MediaInfoWindow()->infoIndex(), 1);

  // A row whose file vanished opens nothing and says so.
  ASSERT_TRUE(QFile::remove(b));
  ctx->playlist.setSelectedItem(2);
  main.ShowMediaInfo();
  EXPECT_EQ(main.MediaInfoWindow()->infoIndex(), 1);
  const auto messages = world.prompts.callsOf(QStringLiteral("message"));
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().text, QStringLiteral("文件：") + b + QStringLiteral(" 不存在！"));

  main.MediaInfoWindow()->closeButton->clicked();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(main.MediaInfoWindow());
  main.close();
}
