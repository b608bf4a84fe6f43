#include "lyrics/loadword.h"
#include "lyrics/lyricdrop.h"

#include "base/errorlog.h"
#include "base/playerstate.h"
#include "base/scriptedprompts.h"
#include "settings/settings.h"
#include "text/encoding.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <utility>
#include <vector>

using namespace lyrovo;

namespace {

using Lines = std::vector<std::pair<int, QString>>;  // (time, text) of lyric lines

int tenPerChar(const QString& text) { return int(text.size()) * 10; }

QByteArray joined(const QStringList& lines) { return lines.join("\r\n").toUtf8() + "\r\n"; }

// Lines "[mm:ss.00]l<k>" at k seconds for k = first..first + count - 1.
QStringList tagged(int first, int count) {
  QStringList lines;
  for (int k = first; k < first + count; ++k)
    lines << QStringLiteral("[%1:%2.00]l%3")
                 .arg(k / 60, 2, 10, QChar(u'0'))
                 .arg(k % 60, 2, 10, QChar(u'0'))
                 .arg(k);
  return lines;
}

std::pair<LyricParseStatus, LyricModel> parse(const QByteArray& bytes, int textChange = 1,
                                              double songLengthMs = 200000) {
  LyricModel m;
  const LyricParseResult r =
      ParseLyric(bytes, QStringLiteral("A - T"), textChange, tenPerChar, songLengthMs, m);
  return {r.status, m};
}

// Entries 2 up to the end entry.
Lines lyricLines(const LyricModel& m) {
  Lines lines;
  for (int k = 2; k < m.LyricEnd - 2; ++k) lines.emplace_back(m.time(k), m.LyricText[k]);
  return lines;
}

bool same(const LyricModel& a, const LyricModel& b) {
  return a.LyricEnd == b.LyricEnd && a.LyricText == b.LyricText && a.LyricTime == b.LyricTime &&
         a.LyricWidth == b.LyricWidth;
}

TEST(ParseLyric, LoadedLyricHasHeaderLinesEndEntryAndSongEnd) {
  // ID tags change nothing; 1001 ms halves to 500 and the end
  // entry's 54500.5 ms rounds to 54500 (halves go to the even neighbour).
  const auto [status, m] =
      parse(joined({"[ti:Title]", "[ar:Artist]", "[by:Maker]", "[00:1.001]one", "[00:02.00]two",
                    "[00:03.00]three", "[00:04.00]four", "[00:05.00]five", "[00:06.00]six"}),
            1, 200002);
  ASSERT_EQ(status, LyricParseStatus::Loaded);
  ASSERT_EQ(m.LyricEnd, 10);
  const QStringList texts{"A - T  ", "one  ", "two  ",        "three  ", "four  ",
                          "five  ",  "six  ", "Lyrovo - End", ""};
  const std::vector<int> times{500, 1001, 2000, 3000, 4000, 5000, 6000, 54500, 200002};
  for (int k = 1; k < 10; ++k) {
    EXPECT_EQ(m.LyricText[k], texts[k - 1]) << k;
    EXPECT_EQ(m.time(k), times[std::size_t(k - 1)]) << k;
    EXPECT_EQ(m.width(k), tenPerChar(texts[k - 1])) << k;  // the empty entry's is 0
  }
  EXPECT_EQ(m.time(10), LyricModel::kFreeTime);
  EXPECT_EQ(parse(joined(tagged(0, 6))).second.time(1), 0);  // a first line at 0 puts the header at 0
}

TEST(ParseLyric, LineWithSeveralTagsGivesOneEntryPerTagLastTagFirst) {
  const Lines chorus =
      lyricLines(parse(joined(QStringList{"[01:02.50][00:10.00]chorus"} + tagged(1, 5))).second);
  ASSERT_EQ(chorus.size(), 7u);
  EXPECT_EQ(chorus[5], Lines::value_type(10000, "chorus  "));
  EXPECT_EQ(chorus[6], Lines::value_type(62500, "chorus  "));

  // Appended b, 9a (the line's last tag), 1a: moving 1a to the front swaps b
  // behind 9a. Appended in tag order, b would stay ahead of 9a.
  const Lines tie =
      lyricLines(parse(joined(QStringList{"[00:09.00]b", "[00:01.00][00:09.00]a"} + tagged(10, 4))).second);
  ASSERT_EQ(tie.size(), 7u);
  EXPECT_EQ(Lines(tie.begin(), tie.begin() + 3), Lines({{1000, "a  "}, {9000, "a  "}, {9000, "b  "}}));
}

TEST(ParseLyric, TagsTextStartAndTimes) {
  struct Case {
    const char* name;
    QStringList lines;
    const char* filler;  // tag of six more lines at 50..55 s, text "f"
    Lines expected;
  };
  const std::vector<Case> cases{
      {"tag-only line is a pause",
       {"[00:30.00]", "[00:31.00]x"},
       "[00:5%1.00]",
       {{30000, "  "}, {31000, "x  "}}},
      {"[mm:ss] seconds stop at ]", {"[00:07]seven"}, "[00:5%1]", {{7000, "seven  "}}},
      {"each tag has its own length",
       {"[00:12.3]a", "[00:13.4]b", "[00:14.00]c"},
       "[00:5%1.00]",
       {{12300, "a  "}, {13400, "b  "}, {14000, "c  "}}},
      {"text before the first tag: not a lyric line", {"intro[00:01.00]a"}, "[00:5%1.00]", {}},
      {"a [ that opens no time tag is text", {"[00:01.00]a [b] c"}, "[00:5%1.00]", {{1000, "a [b] c  "}}},
      {"malformed tags are no tags, halves to even",
       {"[00:05.3 ]a", "[0x:06.00]b", "[00:01.0015]c", "[00:01.0025]d", "[00:1.2.3]e", "[1]f"},
       "[00:5%1.00]",
       {{1002, "c  "}, {1002, "d  "}}},
  };
  for (const Case& c : cases) {
    QStringList lines = c.lines;
    for (int k = 0; k < 6; ++k) lines << QString::fromLatin1(c.filler).arg(k) + "f";
    auto [status, m] = parse(joined(lines));
    ASSERT_EQ(status, LyricParseStatus::Loaded) << c.name;
    Lines got = lyricLines(m);
    std::erase_if(got, [](const auto& line) { return line.second == u"f  "; });
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST(ParseLyric, LfCrLfAndCrEachEndALine) {
  const QStringList lines = tagged(1, 6);
  const LyricModel crlf = parse(joined(lines)).second;
  EXPECT_TRUE(same(parse(lines.join(u'\n').toUtf8()).second, crlf));
  EXPECT_TRUE(same(parse(lines.join(u'\r').toUtf8()).second, crlf));
  EXPECT_TRUE(
      same(parse("[00:01.00]l1\r[00:02.00]l2\n[00:03.00]l3\r\n[00:04.00]l4\r\r\n[00:05.00]l5\n[00:06.00]l6")
               .second,
           crlf));

  // A tag-only line stays a pause of its own; a line without a tag is no lyric line.
  const Lines lf = lyricLines(
      parse("[00:30.00]\n[00:31.00]x\n[00:32.00]a\nb\n" + tagged(40, 4).join(u'\n').toUtf8()).second);
  ASSERT_EQ(lf.size(), 7u);
  EXPECT_EQ(Lines(lf.begin(), lf.begin() + 3), Lines({{30000, "  "}, {31000, "x  "}, {32000, "a  "}}));
}

TEST(ParseLyric, Limits) {
  QString twenty;
  for (int k = 0; k < 20; ++k) twenty += QStringLiteral("[00:%1.00]").arg(k, 2, 10, QChar(u'0'));
  // The first physical line gives two lines, so reading stops before the 199th.
  QStringList late{"[00:01.00]l1\n[00:02.00]l2"};
  late << tagged(3, 4);
  for (int k = 0; k < 193; ++k) late << "plain";
  QStringList plain = tagged(1, 6);
  for (int k = 0; k < 783; ++k) plain << "plain";

  using S = LyricParseStatus;
  const std::vector<std::tuple<const char*, QStringList, S>> cases{
      {"6 lines", tagged(1, 6), S::Loaded},
      {"5 lines", tagged(1, 5), S::TooFewEntries},
      {"third at 2:00.00", QStringList{"[00:01.00]a", "[00:02.00]b", "[02:00.00]c"} + tagged(121, 3),
       S::Loaded},
      {"third at 2:00.01", QStringList{"[00:01.00]a", "[00:02.00]b", "[02:00.01]c"} + tagged(121, 3),
       S::LateStart},
      {"193 lines", tagged(1, 193), S::Loaded},
      {"194 lines", tagged(1, 194), S::TooManyEntries},
      {"20 tags", {twenty + "x"}, S::Loaded},
      {"21 tags", {twenty + "[00:20.00]x"}, S::TooManyTags},
      {"entries past 200", tagged(1, 190) + QStringList{twenty + "x"}, S::TooManyEntries},
      {"199 lines read", late + QStringList{"[00:00.00]late"}, S::Loaded},
      {"789 lines: 199 read", plain + QStringList{"[00:00.00]late"}, S::Loaded},
  };
  for (const auto& [name, lines, expected] : cases) {
    for (const QChar end : {u'\n', u'\r'}) {  // an LF file reads as its CR LF twin
      const auto [status, m] = parse(joined(lines));
      EXPECT_EQ(status, expected) << name;
      EXPECT_NE(m.LyricText[2], "late  ") << name;
      EXPECT_EQ(parse(lines.join(end).toUtf8()).first, expected) << name;
    }
  }
  EXPECT_EQ(parse(joined(tagged(1, 193))).second.LyricEnd, 197);
}

TEST(ParseLyric, EncodingsGiveTheSameLyricInTheChosenScript) {
  const QString text = QStringLiteral("[ti:愛]\r\n[00:01.00]愛你 一\r\n[00:02.00]说話\r\n") +
                       QString::fromUtf8(joined(tagged(3, 4)));
  auto load = [](const QByteArray& bytes, int textChange) {
    LyricModel m;
    EXPECT_TRUE(ParseLyric(bytes, QStringLiteral("歌手 - 愛"), textChange, tenPerChar, 200000, m).ok());
    return m;
  };
  const LyricModel utf8 = load(text.toUtf8(), 1);
  EXPECT_EQ(utf8.LyricText[1], "歌手 - 爱  ");
  EXPECT_EQ(utf8.LyricText[2], "爱你 一  ");
  EXPECT_EQ(utf8.LyricText[3], "说话  ");

  QByteArray utf16("\xFF\xFE");
  utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  // A UTF-8 line cut at the byte limit inside a character leaves the file UTF-8.
  const QByteArray longLine = QString(30000, QChar(u'啊')).toUtf8() + "\r\n";
  for (const QByteArray& bytes :
       {"\xEF\xBB\xBF" + text.toUtf8(), encodeGbk(text), utf16, longLine + text.toUtf8()})
    EXPECT_TRUE(same(load(bytes, 1), utf8));

  const LyricModel traditional = load(encodeGbk(text), 2);
  EXPECT_EQ(traditional.LyricText[2], "愛你 一  ");
  EXPECT_EQ(traditional.LyricText[3], "說話  ");
}

TEST(ConvertLyricScript, ConvertsEveryEntryAndMeasuresItAsStored) {
  auto width = [](const QString& text) { return int(text.size()) * 10 + int(text.count(u'愛')) * 20; };
  LyricModel m;
  ASSERT_TRUE(
      ParseLyric(joined(QStringList{"[00:01.00]爱你"} + tagged(2, 5)), "A - 爱", 1, width, 200000, m).ok());
  const LyricModel loaded = m;
  ConvertLyricScript(m, 2, width);
  EXPECT_EQ(m.LyricText[1], "A - 愛  ");
  EXPECT_EQ(m.LyricText[2], "愛你  ");
  EXPECT_EQ(m.width(1), 7 * 10 + 20);
  EXPECT_EQ(m.width(2), 4 * 10 + 20);
  ConvertLyricScript(m, 1, width);
  EXPECT_TRUE(same(m, loaded));
}

// ---------------------------------------------------------------- LoadWord

class FakeHost : public LyricHost {
 public:
  void DrawInfo(const QString& text) override { calls << "DrawInfo:" + text; }
  void ClearPane() override { calls << "ClearPane"; }
  void WordAdjust() override { calls << "WordAdjust"; }
  void StartLyricTimer() override { calls << "StartLyricTimer"; }
  void ResetScroll() override { calls << "ResetScroll"; }
  int TextWidth(const QString& text) override { return tenPerChar(text); }
  // Leaves download in the temp file unless the answer says it failed.
  QString DownFile(const QString& url) override {
    calls << "DownFile:" + url;
    QFile file(tempFile);
    if (answer != u"" && answer != u"0" && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      file.write(download);
    return answer;
  }

  QStringList calls;
  QString tempFile, answer = "lyric";
  QByteArray download;
};

class LoadWordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    for (const char* folder : {"app", "music", "tmp"}) QDir(root.path()).mkpath(folder);
    write(root.path() + "/app/debug.dat", {});  // errors are recorded in Error.log
    player.SongArtist = "歌手";
    player.SongTitle = "歌名";
    search.IsOnline = true;
    settings.WordPath = root.path() + "/Lyrics/";
    host.tempFile = root.path() + "/tmp/temp.vantor";
    host.download = good;
  }

  static void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  static QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  static QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  bool load(const QString& source, bool isLocal) {
    LoadWordContext c{model, player, search, settings, prompts, log, host, music, 180000, host.tempFile};
    return LoadWord(source, isLocal, c);
  }
  bool download() { return load("http://lyrics.example/1.lrc", false); }
  std::vector<ScriptedPrompts::Call> boxes(const QString& title) const {
    std::vector<ScriptedPrompts::Call> found;
    for (const auto& call : prompts.callsOf("message"))
      if (call.title == title) found.push_back(call);
    return found;
  }
  static QString lrc(const QString& folder) { return folder + "歌手 - 歌名.lrc"; }

  QTemporaryDir root;
  const QString music = root.path() + "/music/";
  const QByteArray good = joined(tagged(1, 6));
  LyricModel model;
  PlayerState player;
  SearchState search;
  Settings settings;
  ScriptedPrompts prompts;
  ErrorLog log{root.path() + "/app/", &prompts};
  FakeHost host;
};

TEST_F(LoadWordTest, LocalFileShowsTheLyricAndKeepsNoCopy) {
  write(music + "a.lrc", good);
  ASSERT_TRUE(load(music + "a.lrc", true));
  EXPECT_EQ(host.calls, QStringList({"ResetScroll", "ClearPane", "WordAdjust", "StartLyricTimer"}));
  EXPECT_TRUE(player.LyricLoaded);
  EXPECT_EQ(model.LyricText[1], "歌手 - 歌名  ");
  EXPECT_EQ(model.time(9), 180000);
  EXPECT_FALSE(QFileInfo::exists(settings.WordPath));
}

TEST_F(LoadWordTest, FailuresShowNotFoundAndABoxOnlyWhenTheSearchWindowIsOpen) {
  write(music + "good.lrc", good);
  write(music + "bad.lrc", joined(tagged(1, 5)));
  const QString bad = "该歌词有误，请尝试其它链接！", failed = "歌词下载失败，请尝试其它链接！";
  struct Case {
    const char* name;
    QString source;  // a file, or empty for a download
    QString answer;
    QByteArray download;
    QString box;
  };
  const std::vector<Case> cases{
      {"rejected file", music + "bad.lrc", {}, {}, bad},
      {"missing file", music + "none.lrc", {}, {}, bad},
      {"folder", music, {}, {}, bad},
      {"download empty", {}, "", good, failed},
      {"download 0", {}, "0", good, failed},
      {"bad download", {}, "x", "junk", bad},
  };
  for (const Case& c : cases) {
    for (const auto& [open, onTop] : {std::pair{true, false}, {true, true}, {false, false}}) {
      ASSERT_TRUE(load(music + "good.lrc", true));
      player.SearchWindowOpen = open;
      player.OnTop = onTop;
      host.answer = c.answer;
      host.download = c.download;
      prompts.calls.clear();
      host.calls.clear();
      EXPECT_FALSE(c.source.isEmpty() ? download() : load(c.source, true)) << c.name;
      EXPECT_FALSE(player.LyricLoaded) << c.name;
      EXPECT_LT(model.LyricEnd, 10) << c.name;  // the old lyric is gone
      EXPECT_EQ(host.calls.back(), "DrawInfo:歌词未找到，请右击搜索！") << c.name;
      EXPECT_FALSE(host.calls.contains("StartLyricTimer")) << c.name;
      const auto shown = boxes("Lyrovo - 下载提示");
      ASSERT_EQ(shown.size(), open && !onTop ? 1u : 0u) << c.name << open << onTop;
      for (const auto& box : shown) {
        EXPECT_EQ(box.icon, Prompts::Icon::Critical);
        EXPECT_EQ(box.text, c.box) << c.name;
      }
    }
  }
  EXPECT_TRUE(read(root.path() + "/app/Error.log").contains("LoadWord"));  // the missing file
  EXPECT_FALSE(QFileInfo::exists(settings.WordPath));                      // nothing kept from a bad download
}

TEST_F(LoadWordTest, OfflineDownloadStopsAtTheNotOnlineText) {
  search.IsOnline = false;
  player.SearchWindowOpen = true;
  EXPECT_FALSE(download());
  EXPECT_EQ(host.calls, QStringList({"ResetScroll", "DrawInfo:未联网!"}));
  EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(LoadWordTest, CopyRules) {
  using A = Prompts::Answer;
  struct Case {
    const char* name;
    bool saveWord, saveToSongPath, autoReWrite, onTop, existing;  // existing: both targets hold "old"
    std::vector<A> answers;
    int questions;
    QByteArray song, lyrics;  // expected contents
  };
  const QByteArray none("<missing>"), old("old");
  const std::vector<Case> cases{
      {"lyric folder only, created", true, false, false, false, false, {}, 0, none, good},
      {"saveWord off", false, true, false, false, false, {}, 0, none, none},
      {"song folder too", true, true, false, false, false, {}, 0, good, good},
      {"existing: no, yes", true, true, false, false, true, {A::No, A::Yes}, 2, old, good},
      {"existing: yes, no", true, true, false, false, true, {A::Yes, A::No}, 2, good, old},
      {"autoReWrite", true, true, true, false, true, {}, 0, good, good},
      {"on top", true, true, false, true, true, {}, 0, good, good},
  };
  for (const Case& c : cases) {
    QDir(settings.WordPath).removeRecursively();
    QFile::remove(lrc(music));
    if (c.existing) {
      QDir().mkpath(settings.WordPath);
      write(lrc(music), old);
      write(lrc(settings.WordPath), old);
    }
    settings.saveWord = c.saveWord;
    settings.saveToSongPath = c.saveToSongPath;
    settings.autoReWrite = c.autoReWrite;
    player.OnTop = c.onTop;
    prompts.calls.clear();
    prompts.answers.assign(c.answers.begin(), c.answers.end());
    host.calls.clear();
    ASSERT_TRUE(download()) << c.name;
    EXPECT_EQ(host.calls.mid(0, 3), QStringList({"ResetScroll", "DrawInfo:正在加载歌词...",
                                                 "DownFile:http://lyrics.example/1.lrc"}));
    EXPECT_EQ(read(lrc(music)), c.song) << c.name;
    EXPECT_EQ(read(lrc(settings.WordPath)), c.lyrics) << c.name;
    // Written through a temporary file renamed into place: nothing else is left.
    EXPECT_LE(entries(music).size(), 1) << c.name;
    EXPECT_LE(entries(settings.WordPath).size(), 1) << c.name;
    const auto asked = boxes("Lyrovo - 覆盖提示");
    ASSERT_EQ(int(asked.size()), c.questions) << c.name;
    for (int q = 0; q < c.questions; ++q) {
      EXPECT_EQ(asked[q].icon, Prompts::Icon::Question);
      EXPECT_EQ(asked[q].buttons, Prompts::Buttons::YesNo);
      EXPECT_EQ(asked[q].text,
                "歌词文件：" + lrc(q == 0 ? music : settings.WordPath) + "已经存在，是否覆盖？");
    }
  }
}

TEST_F(LoadWordTest, EachCopyStandsAlone) {
  // The song's folder is gone: logged, and the lyric still shows and is kept in the lyric folder.
  settings.saveToSongPath = true;
  QDir(music).removeRecursively();
  ASSERT_TRUE(download());
  EXPECT_TRUE(player.LyricLoaded);
  EXPECT_EQ(read(lrc(settings.WordPath)), good);
  EXPECT_TRUE(read(root.path() + "/app/Error.log").contains("LoadWord"));

  // The song lies in the lyric folder: one copy, one question.
  settings.WordPath = music.chopped(1);
  QDir().mkpath(music);
  write(lrc(music), "old");
  prompts.calls.clear();
  prompts.answers = {Prompts::Answer::Yes};
  ASSERT_TRUE(download());
  EXPECT_EQ(boxes("Lyrovo - 覆盖提示").size(), 1u);
  EXPECT_EQ(read(lrc(music)), good);
}

TEST_F(LoadWordTest, BadFilesNeverCrashHangOrWrite) {
  std::mt19937 random(7);
  QByteArray binary(1 << 20, '\0');
  for (char& b : binary) b = char(random());
  const QByteArray zeros = QByteArray("[00:00.00]zero\r\n").repeated(10000);
  const QByteArray longText = QString(10 * 1024 * 1024 / 3, QChar(u'啊')).toUtf8();
  const std::vector<std::tuple<const char*, QByteArray, bool>> cases{
      {"empty", {}, false},
      {"mark only", "\xEF\xBB\xBF", false},
      {"UTF-16 mark and an odd byte", "\xFF\xFE[", false},
      {"binary", binary, false},
      {"only ID tags", "[ti:a]\r\n[ar:b]\r\n[al:c]\r\n[offset:+500]\r\n", false},
      {"[99:99.99] on every line", QByteArray("[99:99.99]nine\r\n").repeated(150), false},
      {"10000 lines at [00:00.00]", zeros, false},
      {"150 lines at [00:00.00]", zeros.left(150 * 16), true},
      {"50 MB in lines", joined(tagged(1, 1000)).repeated(3500), false},
      {"50 MB in one line", QByteArray("[0").repeated(25 * 1024 * 1024), false},
      {"10 MB line after a lyric", good + "[00:07.00]" + longText, false},  // its width overflows
      {"invalid UTF-8, not GBK either", "[00:01.00]\xFF\xFE\x80\r\n[00:02.00]\x81\r\n" + joined(tagged(3, 4)),
       true},
  };
  for (const auto& [name, bytes, loads] : cases) {
    write(music + "bad.lrc", bytes);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(load(music + "bad.lrc", true), loads) << name;
    EXPECT_LT(clock.elapsed(), 5000) << name;
    EXPECT_EQ(entries(music), QStringList({"bad.lrc"})) << name;
    EXPECT_EQ(read(music + "bad.lrc"), bytes) << name;
  }
  EXPECT_FALSE(QFileInfo::exists(settings.WordPath));
}

}  // namespace

// ---------------------------------------------------------------- dropped lyric files

TEST_F(LoadWordTest, DroppedLrcInUpperCaseLoadsAndIsKeptInTheLyricFolder) {
  write(root.path() + "/tmp/FOUND.LRC", good);
  LoadWordContext c{model, player, search, settings, prompts, log, host, music, 180000, host.tempFile};
  ASSERT_TRUE(AcceptsLyricDrop({root.path() + "/tmp/notes.txt", root.path() + "/tmp/FOUND.LRC"}));
  ASSERT_TRUE(DropLyricFile({root.path() + "/tmp/FOUND.LRC"}, c));
  EXPECT_TRUE(player.LyricLoaded);
  EXPECT_EQ(read(lrc(settings.WordPath)), good);
  EXPECT_EQ(entries(music), QStringList());  // saveToSongPath is off
  // A later shift goes into the kept copy, not into the dropped file.
  EXPECT_EQ(model.SourceFile, lrc(settings.WordPath));
  EXPECT_TRUE(prompts.callsOf("message").empty());
}

TEST_F(LoadWordTest, DroppedLrcAsksBeforeReplacingAndRefusesWhatIsNoLyric) {
  write(root.path() + "/tmp/new.lrc", good);
  QDir().mkpath(settings.WordPath);
  write(lrc(settings.WordPath), "old");
  prompts.answers.push_back(Prompts::Answer::No);
  LoadWordContext c{model, player, search, settings, prompts, log, host, music, 180000, host.tempFile};
  ASSERT_TRUE(DropLyricFile({root.path() + "/tmp/new.lrc"}, c));
  ASSERT_EQ(boxes("Lyrovo - 覆盖提示").size(), 1u);
  EXPECT_EQ(read(lrc(settings.WordPath)), "old");
  EXPECT_EQ(model.SourceFile, root.path() + "/tmp/new.lrc");  // the only file holding what shows

  // Neither a text file, nor binary data named .lrc, nor an oversized file replaces anything.
  write(root.path() + "/tmp/binary.lrc", QByteArray(4096, '\xFF'));
  QFile big(root.path() + "/tmp/big.lrc");
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(50 * 1024 * 1024));
  big.close();
  settings.autoReWrite = true;
  EXPECT_FALSE(AcceptsLyricDrop({root.path() + "/tmp/a.txt"}));
  EXPECT_FALSE(DropLyricFile({root.path() + "/tmp/a.txt"}, c));
  EXPECT_FALSE(DropLyricFile({root.path() + "/tmp/big.lrc"}, c));
  EXPECT_TRUE(player.LyricLoaded);  // the shown lyric stays
  EXPECT_FALSE(DropLyricFile({root.path() + "/tmp/binary.lrc"}, c));
  EXPECT_EQ(read(lrc(settings.WordPath)), "old");
}
