// Adding files and folders through the main window: the dialogs answered by
// scripted prompts, real files on disk, the worker running while the test
// pumps the event loop.
#include "app/fplay.h"
#include "app/loadingpanel.h"
#include "support/audiofixtures.h"
#include "support/testworld.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <gtest/gtest.h>

using namespace lyrovo;
using lyrovo::testing::fixture;
using lyrovo::testing::TestWorld;

namespace {

using lyrovo::testing::pumpUntil;

struct AddingTest : ::testing::Test {
  TestWorld world;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Fplay> window;
  QStringList statuses;  // every text the loading panel's status line showed

  void SetUp() override { world.writeFile(QStringLiteral("app/Images/.keep"), {}); }
  void TearDown() override {
    if (window) window->close();
  }

  void start(const QString& settings = {}) {
    world.writeFile(QStringLiteral("app/Settings.ini"), (QStringLiteral("[lyrovo]\r\n") + settings).toUtf8());
    ctx = world.makeContext();
    window = std::make_unique<Fplay>(*ctx, QStringList{});
    ASSERT_EQ(window->Form_Load(), Fplay::LoadResult::Run);
    QObject::connect(window->loadingPanel(), &LoadingPanel::statusChanged,
                     [this](const QString& text) { statuses << text; });
  }

  // count copies of a tagged mp3 named prefix + number, in folder.
  QStringList songs(const QString& folder, int count, const QString& prefix = QStringLiteral("s")) {
    static const QByteArray bytes = [] {
      QFile in(fixture("id3v1.mp3"));
      in.open(QIODevice::ReadOnly);
      return in.readAll();
    }();
    QStringList paths;
    for (int i = 1; i <= count; ++i) {
      const QString relative = folder + QStringLiteral("/%1%2.mp3").arg(prefix).arg(i);
      world.writeFile(relative, bytes);
      paths << world.path(relative);
    }
    return paths;
  }

  bool finished() {
    return pumpUntil([&] { return !window->Loading(); });
  }
  QByteArray saved() const { return world.readFile(QStringLiteral("app/Playlist.dat")); }
  int savedRows() const { return int(saved().count('\n')) - 1; }
  QString pathAt(int row) const { return ctx->playlist.row(row).path; }
  void fillRows(int count) {
    ctx->playlist.clear();
    for (int i = 1; i <= count; ++i) {
      PlaylistRow row;
      row.numberText = QString::number(i) + u'.';
      row.path = QStringLiteral("/old/%1.mp3").arg(i);
      ctx->playlist.insert(i, row);
    }
  }
};

}  // namespace

TEST_F(AddingTest, TwentyFilesShowNoProgressTwentyOneDo) {
  start();
  world.prompts.files.push_back(songs(QStringLiteral("m20"), 20));
  window->menuAs_Click(1);
  EXPECT_FALSE(window->List1()->isVisible());
  ASSERT_TRUE(finished());
  EXPECT_EQ(ctx->playlist.count(), 20);
  EXPECT_FALSE(statuses.contains(QStringLiteral("加载文件：20/20")));
  EXPECT_TRUE(window->List1()->isVisible());
  const auto dialog = world.prompts.callsOf(QStringLiteral("openFiles"));
  ASSERT_EQ(dialog.size(), 1u);
  EXPECT_EQ(dialog[0].title, QStringLiteral("Lyrovo - 添加文件(可多选)(注意：添加在列表最后)"));
  EXPECT_EQ(dialog[0].arguments.value(0), window->OpenFileFilter());
  EXPECT_EQ(ctx->settings.initFilePath, world.path(QStringLiteral("m20/")));

  bool progressSeen = false;
  QObject::connect(window->loadingPanel(), &LoadingPanel::statusChanged,
                   [&] { progressSeen = progressSeen || window->loadingPanel()->progressShown(); });
  world.prompts.files.push_back(songs(QStringLiteral("m21"), 21));
  window->menuAs_Click(1);
  ASSERT_TRUE(finished());
  EXPECT_TRUE(progressSeen);
  EXPECT_TRUE(statuses.contains(QStringLiteral("加载文件：21/21")));
  EXPECT_EQ(statuses.last(), QStringLiteral("加载文件,请稍候..."));
  EXPECT_FALSE(window->loadingPanel()->progressShown());
  EXPECT_EQ(ctx->playlist.count(), 41);
  EXPECT_EQ(ctx->playlist.row(41).numberText, QStringLiteral("41."));
  EXPECT_EQ(ctx->playlist.row(41).title, QStringLiteral("moon song"));
  EXPECT_EQ(savedRows(), 41);
  // The rows just added are the selected ones.
  EXPECT_FALSE(ctx->playlist.row(20).selected);
  EXPECT_TRUE(ctx->playlist.row(21).selected && ctx->playlist.row(41).selected);
}

TEST_F(AddingTest, FolderWithSubfoldersOffAndOn) {
  start(QStringLiteral("addSubFold=0\r\n"));
  songs(QStringLiteral("tree"), 3);
  songs(QStringLiteral("tree/one"), 2);
  songs(QStringLiteral("tree/two"), 3);
  world.prompts.folders.push_back(world.path(QStringLiteral("tree")));
  window->menuAs_Click(2);
  ASSERT_TRUE(finished());
  EXPECT_EQ(ctx->playlist.count(), 3);
  EXPECT_EQ(savedRows(), 3);
  EXPECT_EQ(ctx->settings.initFolderPath, world.path(QStringLiteral("tree/")));
  ASSERT_EQ(world.prompts.callsOf(QStringLiteral("chooseFolder")).size(), 1u);
  EXPECT_EQ(world.prompts.callsOf(QStringLiteral("chooseFolder"))[0].title, QStringLiteral("请选择文件夹："));

  ctx->settings.addSubFold = true;
  world.prompts.folders.push_back(world.path(QStringLiteral("tree")));
  window->menuAs_Click(2);
  ASSERT_TRUE(finished());
  EXPECT_EQ(ctx->playlist.count(), 3 + 8);
  EXPECT_EQ(world.prompts.callsOf(QStringLiteral("chooseFolder"))[1].text,
            world.path(QStringLiteral("tree")));
  EXPECT_EQ(savedRows(), 11);
}

TEST_F(AddingTest, AFolderOfTextFilesAddsAndSavesNothing) {
  start();
  world.writeFile(QStringLiteral("texts/a.txt"), "a");
  world.writeFile(QStringLiteral("texts/b.txt"), "b");
  world.prompts.folders.push_back(world.path(QStringLiteral("texts")));
  window->menuAs_Click(2);
  ASSERT_TRUE(finished());
  EXPECT_TRUE(statuses.contains(QStringLiteral("无有效文件！")));
  EXPECT_EQ(ctx->playlist.count(), 0);
  EXPECT_TRUE(window->List1()->isVisible());
  EXPECT_FALSE(QFileInfo::exists(world.appPath() + QStringLiteral("Playlist.dat")));

  // A drop of a text file alone does nothing at all.
  window->Form_OLEDragDrop({world.path(QStringLiteral("texts/a.txt"))});
  EXPECT_FALSE(window->Loading());
  EXPECT_TRUE(statuses.size() <= 3);
}

TEST_F(AddingTest, DropsGoAfterTheCurrentRowOrBeforeTheRowUnderThePoint) {
  start();
  fillRows(10);
  ctx->player.CurrentIndex = 4;
  const QStringList abc = {songs(QStringLiteral("d"), 1, QStringLiteral("a"))[0],
                           songs(QStringLiteral("d"), 1, QStringLiteral("b"))[0],
                           songs(QStringLiteral("d"), 1, QStringLiteral("c"))[0]};
  window->Form_OLEDragDrop(abc);
  ASSERT_TRUE(finished());
  ASSERT_EQ(ctx->playlist.count(), 13);
  EXPECT_EQ(pathAt(4), QStringLiteral("/old/4.mp3"));
  EXPECT_EQ(pathAt(5), abc[2]);
  EXPECT_EQ(pathAt(6), abc[1]);
  EXPECT_EQ(pathAt(7), abc[0]);
  EXPECT_EQ(pathAt(8), QStringLiteral("/old/5.mp3"));
  for (int i = 1; i <= 13; ++i) EXPECT_EQ(ctx->playlist.row(i).numberText, QString::number(i) + u'.');
  EXPECT_EQ(ctx->player.CurrentIndex, 4);

  // Below the last row: appended, still in reverse order.
  fillRows(10);
  const QRect last = window->List1()->visualRect(window->List1()->model()->index(9, 0));
  window->List1_OLEDragDrop(abc, QPoint(5, last.bottom() + 5));
  ASSERT_TRUE(finished());
  ASSERT_EQ(ctx->playlist.count(), 13);
  EXPECT_EQ(pathAt(10), QStringLiteral("/old/10.mp3"));
  EXPECT_EQ(pathAt(11), abc[2]);
  EXPECT_EQ(pathAt(13), abc[0]);

  // On row 2 while row 4 is current: the new rows go before row 2 and the
  // current song stays current.
  fillRows(10);
  ctx->player.CurrentIndex = 4;
  const QRect second = window->List1()->visualRect(window->List1()->model()->index(1, 0));
  window->List1_OLEDragDrop(abc, second.center());
  ASSERT_TRUE(finished());
  EXPECT_EQ(pathAt(1), QStringLiteral("/old/1.mp3"));
  EXPECT_EQ(pathAt(2), abc[2]);
  EXPECT_EQ(pathAt(5), QStringLiteral("/old/2.mp3"));
  EXPECT_EQ(ctx->player.CurrentIndex, 7);
  EXPECT_EQ(pathAt(7), QStringLiteral("/old/4.mp3"));
}

TEST_F(AddingTest, CancelAfterFiftyOfThreeHundredKeepsAndSavesThem) {
  start();
  songs(QStringLiteral("big/a"), 150);
  songs(QStringLiteral("big/b"), 150);
  QObject::connect(window->loadingPanel(), &LoadingPanel::statusChanged, [&](const QString& text) {
    if (text != QStringLiteral("加载文件：50/300")) return;
    // A click on the cancel label.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->loadingPanel()->cancelLabel(), &release);
  });
  world.prompts.folders.push_back(world.path(QStringLiteral("big")));
  window->menuAs_Click(2);
  ASSERT_TRUE(finished());
  EXPECT_EQ(ctx->playlist.count(), 50);
  EXPECT_FALSE(statuses.contains(QStringLiteral("加载文件：51/300")));
  EXPECT_TRUE(window->List1()->isVisible());
  EXPECT_FALSE(window->loadingPanel()->isVisible());
  EXPECT_EQ(savedRows(), 50);
}

TEST_F(AddingTest, OpenEmptiesTheListAndPlaysTheFirstNewRow) {
  start();
  fillRows(5);
  const QStringList two = songs(QStringLiteral("open"), 2);
  world.prompts.files.push_back(two);
  window->Image1_Click(9);
  ASSERT_TRUE(finished());
  ASSERT_EQ(ctx->playlist.count(), 2);
  EXPECT_EQ(pathAt(1), two[0]);
  EXPECT_EQ(ctx->player.CurrentIndex, 1);
  EXPECT_TRUE(ctx->BP1.aIsActive());
  EXPECT_TRUE(window->Image1(8)->isEnabled());
}

TEST_F(AddingTest, AddsAskedForMeanwhileWaitTheirTurn) {
  start();
  const QStringList first = songs(QStringLiteral("q1"), 30);
  const QStringList second = songs(QStringLiteral("q2"), 2);
  window->AddPaths({world.path(QStringLiteral("q1"))}, false);
  window->AddPaths(second, false);
  ASSERT_TRUE(pumpUntil([&] { return !window->Loading() && ctx->playlist.count() == 32; }));
  EXPECT_EQ(pathAt(31), second[0]);
  EXPECT_EQ(pathAt(32), second[1]);
  EXPECT_EQ(savedRows(), 32);
}

TEST_F(AddingTest, AFullListEndsTheAddKeepsAndSavesTheRows) {
  start();
  world.writeFile(QStringLiteral("app/debug.dat"), {});
  ctx->playlist.append(std::vector<PlaylistRow>(Playlist::kMaxRows - 2));
  world.prompts.files.push_back(songs(QStringLiteral("full"), 5));
  window->menuAs_Click(1);
  ASSERT_TRUE(finished());
  EXPECT_EQ(ctx->playlist.count(), Playlist::kMaxRows);
  EXPECT_TRUE(window->List1()->isVisible());
  EXPECT_EQ(savedRows(), Playlist::kMaxRows);
  const auto boxes = world.prompts.callsOf(QStringLiteral("message"));
  ASSERT_FALSE(boxes.empty());
  EXPECT_TRUE(boxes.back().text.startsWith(QStringLiteral("错误地点: menuAs_Click")));
}

TEST_F(AddingTest, TheAddMenuAndItsEntries) {
  start();
  ASSERT_EQ(window->menuA()->actions().size(), 2);
  EXPECT_EQ(window->menuA()->actions()[0]->text(), QStringLiteral("添加文件(&F)..."));
  EXPECT_EQ(window->menuA()->actions()[1]->text(), QStringLiteral("添加目录(&P)..."));
  window->Image1_Click(26);
  EXPECT_TRUE(pumpUntil([&] { return window->menuA()->isVisible(); }, 5000));
  window->menuA()->hide();
  // Cancelled dialogs change nothing.
  window->menuAs_Click(1);
  window->menuAs_Click(2);
  EXPECT_FALSE(window->Loading());
  EXPECT_FALSE(QFileInfo::exists(world.appPath() + QStringLiteral("Playlist.dat")));
}

TEST_F(AddingTest, DragOverTheListOffersCopyShowsTheMarkerAndDropsAdd) {
  start();
  fillRows(3);
  QWidget* viewport = window->List1()->viewport();
  const QString song = songs(QStringLiteral("drag"), 1)[0];
  auto mimeOf = [](const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    mime->setUrls(urls);
    return mime;
  };
  const QRect first = window->List1()->visualRect(window->List1()->model()->index(0, 0));
  auto enter = [&](QMimeData* mime) {
    QDragEnterEvent event(first.center(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton,
                          Qt::NoModifier);
    event.setDropAction(Qt::IgnoreAction);
    event.ignore();
    QCoreApplication::sendEvent(viewport, &event);
    return event.isAccepted() && event.dropAction() == Qt::CopyAction;
  };
  QWidget* marker = viewport->findChild<QWidget*>(QStringLiteral("insertionMarker"));
  ASSERT_NE(marker, nullptr);

  // Text files alone, text and remote addresses: no effect, no marker.
  std::unique_ptr<QMimeData> texts(mimeOf({world.path(QStringLiteral("a.txt"))}));
  EXPECT_FALSE(enter(texts.get()));
  EXPECT_FALSE(marker->isVisible());
  std::unique_ptr<QMimeData> remote(new QMimeData);
  remote->setText(QStringLiteral("hello"));
  remote->setUrls({QUrl(QStringLiteral("https://example.org/song.mp3"))});
  EXPECT_FALSE(enter(remote.get()));

  // 10 000 paths, one of them a folder: the copy effect and the marker on row 1's top edge.
  QStringList many;
  for (int i = 0; i < 9999; ++i) many << world.path(QStringLiteral("nothing/%1.txt").arg(i));
  many << world.path(QStringLiteral("drag"));
  std::unique_ptr<QMimeData> drag(mimeOf(many));
  EXPECT_TRUE(enter(drag.get()));
  EXPECT_TRUE(marker->isVisible());
  EXPECT_LE(std::abs(marker->y() - first.top()), 1);

  QDropEvent drop(first.center(), Qt::CopyAction, drag.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &drop);
  EXPECT_FALSE(marker->isVisible());
  ASSERT_TRUE(finished());
  ASSERT_EQ(ctx->playlist.count(), 4);
  EXPECT_EQ(pathAt(1), song);
  EXPECT_EQ(pathAt(2), QStringLiteral("/old/1.mp3"));
}
