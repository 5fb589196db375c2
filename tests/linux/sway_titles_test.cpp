#include "platform/linux/sway_titles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/linux/sway_ipc.h"

namespace quillenta::sway {
namespace {

// Answers and events as sway 1.7 sent them: a foot window (5) and an XWayland window (7)
// stacked on workspace 1, the XWayland one focused and marked; workspace 2 empty.
std::string Sample(const char* name) {
  std::ifstream in(std::string(QUILLENTA_TEST_DATA) + "/" + name + ".json");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_FALSE(text.str().empty()) << name;
  return text.str();
}

TEST(SwayJson, TreeGivesEveryViewItsNameMarksAndTheFocus) {
  auto tree = ParseTree(Sample("tree"));
  ASSERT_TRUE(tree);
  ASSERT_EQ(tree->views.size(), 2u);
  EXPECT_EQ(tree->views[0].id, 5);
  EXPECT_EQ(tree->views[0].name, "foot own");
  EXPECT_TRUE(tree->views[0].marks.empty());
  EXPECT_EQ(tree->views[1].id, 7);
  EXPECT_EQ(tree->views[1].name, "X renamed");
  EXPECT_EQ(tree->views[1].marks, std::vector<std::string>{"_quillenta_borrowed_7_257469746c65"});
  EXPECT_EQ(tree->focused, 7);
  EXPECT_FALSE(ParseTree(Sample("window_focus")));
  EXPECT_FALSE(ParseTree("{\"nodes\": [tru"));
}

TEST(SwayJson, WindowEvents) {
  struct Case {
    const char* sample;
    const char* change;
    std::int64_t id;
    const char* name;  // a new window has no title yet: null
  };
  for (const Case& c : {Case{"window_new", "new", 5, ""}, Case{"window_title", "title", 5, "foot own"},
                        Case{"window_focus", "focus", 5, "foot own"},
                        Case{"window_mark", "mark", 5, "foot own"},
                        Case{"window_close", "close", 7, "X renamed"}}) {
    auto event = ParseWindowEvent(Sample(c.sample));
    ASSERT_TRUE(event) << c.sample;
    EXPECT_EQ(event->change, c.change) << c.sample;
    EXPECT_EQ(event->view.id, c.id) << c.sample;
    EXPECT_EQ(event->view.name, c.name) << c.sample;
  }
  // A workspace is no view.
  EXPECT_FALSE(ParseWindowEvent(Sample("workspace_focus")));
}

TEST(SwayJson, OnlyAnEmptyWorkspaceTakesTheFocusFromEveryWindow) {
  EXPECT_TRUE(FocusMovedToEmptyWorkspace(Sample("workspace_focus")));
  EXPECT_FALSE(FocusMovedToEmptyWorkspace(Sample("workspace_focus_full")));
  EXPECT_FALSE(FocusMovedToEmptyWorkspace(Sample("window_focus")));
  EXPECT_FALSE(FocusMovedToEmptyWorkspace("not json"));
}

TEST(SwayJson, PangoMarkupFollowsTheLastFontOutsideABar) {
  struct Case {
    const char* config;
    bool pango;
  };
  for (const Case& c : {
           Case{"", false},
           Case{"font monospace 10\n", false},
           Case{"font pango:DejaVu Sans Mono 10\n", true},
           Case{"  font   pango:monospace 8\r\n", true},
           Case{"font \"pango:monospace 8\"\n", true},
           Case{"font pango:monospace 8\nfont monospace 9\n", false},
           Case{"# font pango:monospace 8\n", false},
           Case{"font monospace 9\nbar {\n  font pango:monospace 8\n}\n", false},
           Case{"bar {\n  font monospace 8\n}\nfont pango:monospace 9\n", true},
       }) {
    std::string answer = "{\"config\": \"";
    for (char ch : std::string(c.config)) {
      if (ch == '\n') answer += "\\n";
      else if (ch == '\r') answer += "\\r";
      else if (ch == '"') answer += "\\\"";
      else answer += ch;
    }
    answer += "\"}";
    EXPECT_EQ(PangoMarkupIn(answer), c.pango) << c.config;
  }
}

// What sway 1.7 makes of the argument: its command parser keeps backslashes and strips the
// quotes no odd run of backslashes escapes, then turns `$$` into `$`; the format's `%` before
// title, app_id, class, instance or shell is a placeholder, any other `%` itself.
TEST(SwayCommand, TheLineSurvivesTheParserAndTheFormat) {
  struct Case {
    const char* line;
    bool pango;
    const char* argument;
  };
  for (const Case& c : {
           Case{"Alpha 12:00 C:7% M:45%", false, "\"Alpha 12:00 C:7% M:45%\""},
           Case{"", false, "\"\""},
           Case{"50%title", false, "\"50%\u2060title\""},
           Case{"%app_id %class %instance %shell %t", false,
                "\"%\u2060app_id %\u2060class %\u2060instance %\u2060shell %t\""},
           Case{"a;b, [c]", false, "\"a;b, [c]\""},
           Case{"say \"hi\"", false, "\"say \"'\"'\"hi\"'\"'\"\""},
           Case{"it's", false, "\"it's\""},
           Case{"a\\\"b", false, "\"a\\\"b\""},
           Case{"a\\\\\"b", false, "\"a\\\\\"'\"'\"b\""},
           Case{"ends\\", false, "\"ends\\"},
           Case{"ends\\\\", false, "\"ends\\\\\""},
           Case{"$HOME $$", false, "\"$$HOME $$$$\""},
           Case{"\\$x \\\\$y", false, "\"\\$x \\\\$$y\""},
           Case{"<b>&amp; 5%title</b>", true, "\"&lt;b&gt;&amp;amp; 5&#37;title&lt;/b&gt;\""},
           Case{"<b>", false, "\"<b>\""},
       }) {
    EXPECT_EQ(TitleFormatArgument(c.line, c.pango), c.argument) << c.line;
  }
  // A format goes as it is, placeholders and all.
  EXPECT_EQ(FormatArgument("%title"), "\"%title\"");
  EXPECT_EQ(FormatArgument("[%app_id] \"%title\" $x"), "\"[%app_id] \"'\"'\"%title\"'\"'\" $$x\"");
}

TEST(SwayRecord, MarksRoundTripAndOthersAreNoRecords) {
  for (auto [container, format] : {std::pair<std::int64_t, std::string>{5, "%title"},
                                   {2147483000, ""}, {12, "[%app_id] \"%title\" \xe2\x80\xa0"}}) {
    std::string mark = RecordMark(container, format);
    EXPECT_EQ(mark.front(), '_') << "sway draws every mark that does not start with _";
    EXPECT_EQ(mark.find_first_of(" \t\"'\\;,[]$"), std::string::npos) << mark;
    auto record = ParseRecordMark(mark);
    ASSERT_TRUE(record) << mark;
    EXPECT_EQ(record->container, container);
    EXPECT_EQ(record->own_format, format);
    EXPECT_TRUE(IsRecordMark(mark));
  }
  for (const char* mark : {"_quillenta_borrowed_", "_quillenta_borrowed_7",
                           "_quillenta_borrowed_x_2574", "_quillenta_borrowed_7_257",
                           "_quillenta_borrowed_7_25zz", "_quillenta_borrowed_-7_25",
                           "_quillenta_borrowed_0_25"}) {
    EXPECT_TRUE(IsRecordMark(mark)) << mark;
    EXPECT_FALSE(ParseRecordMark(mark)) << mark;
  }
  for (const char* mark : {"", "_q_5", "mine", "_quillenta"}) {
    EXPECT_FALSE(IsRecordMark(mark)) << mark;
  }
  EXPECT_EQ(ForContainer(7, "unmark x"), "[con_id=7] unmark x");
}

TEST(SwayIpc, FramesComeWholeFromPiecesOfAnySize) {
  std::string stream = sway_ipc::EncodeFrame(sway_ipc::kRunCommand, "[{\"success\":true}]") +
                       sway_ipc::EncodeFrame(sway_ipc::kEventWindow, "") +
                       sway_ipc::EncodeFrame(sway_ipc::kGetTree, std::string(70000, 'x'));
  ASSERT_EQ(stream.substr(0, 6), "i3-ipc");
  for (std::size_t piece : {1u, 7u, 14u, 4096u, 100000u}) {
    sway_ipc::FrameReader reader;
    std::vector<SwayMessage> got;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      reader.Feed(std::string_view(stream).substr(at, piece));
      while (auto message = reader.Next()) got.push_back(std::move(*message));
    }
    ASSERT_EQ(got.size(), 3u) << piece;
    EXPECT_EQ(got[0].type, sway_ipc::kRunCommand);
    EXPECT_EQ(got[0].payload, "[{\"success\":true}]");
    EXPECT_EQ(got[1].type, sway_ipc::kEventWindow);
    EXPECT_EQ(got[1].payload, "");
    EXPECT_EQ(got[2].payload.size(), 70000u);
    EXPECT_FALSE(reader.Broken());
  }
  sway_ipc::FrameReader reader;
  reader.Feed(std::string_view("i3-ipX\0\0\0\0\0\0\0\0", 14));
  EXPECT_FALSE(reader.Next());
  EXPECT_TRUE(reader.Broken());
}

}  // namespace
}  // namespace quillenta::sway
