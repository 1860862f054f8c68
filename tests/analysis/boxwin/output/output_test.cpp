// Box-window output: number texts, the bounded row record, the text export with its options and
// encodings, the append rule, Copy Table, the copy of a range, the HTML page and the web table,
// default export names, and exports that fail without touching the target.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/copy_table.h"
#include "core/file_stream.h"
#include "core/files.h"
#include "core/output_stream.h"
#include "core/utf8.h"
#include "core/value_format.h"
#include "core/owned_text.h"
#include "tests/analysis/boxwin/box_fixture.h"

using namespace box_test;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A folder of its own below the system's temporary folder.
std::string TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  std::string folder = std::string(base) + "qeb_boxwin_output";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

int FilesIn(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  int n = 0;
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return n;
}

class BoxOutputTest : public BoxTest {
 protected:
  T_TestBox* Table() {
    T_TestBox* box = NewBox({60, 50, 50}, {"Name", "Amount", "Note"});
    box->SetTitleCopy("Sales: Monthly");
    box->SetRows({{"Head", "", ""}, {"Alpha", "1,5", ""}, {"", "", ""}, {"Beta \"b\"", "", "x"}}, 1);
    return box;
  }
  std::string Text(T_BoxWin* box) {
    T_OStream stream;
    box->WriteText(&stream, 0);
    return StreamText(stream);
  }
};

TEST(BoxNumberText, DecimalsSignsScalingAndLimits) {
  NumFormat* format = ValueNumFormat();
  NumFormat saved = *format;
  format->decimalSeparator = '.';
  format->thousandsSeparator = 0;
  struct Case {
    double value;
    int32_t decimals;
    int32_t sign;
    bool zero;
    bool scaling;
    const char* text;
  } cases[] = {
      {-5, 2, kSignAfter, false, true, "5.00-"},
      {5, 2, kSignAfter, false, true, "5.00+"},
      {-5, 0, kSignParentheses, false, true, "(5)"},
      {-5, 0, kSignPlain, false, true, "-5"},
      {0, 2, kSignPlain, false, true, ""},
      {0, 2, kSignPlain, true, true, "0"},
      {0, 2, kSignAfter, true, true, "0"},
      {12345.6, 8, kSignPlain, false, false, "12346"},
      {12345.6, 8, kSignPlain, false, true, "12'"},
      {12345678, 9, kSignPlain, false, true, "12\""},
      {1.25, 6, kSignPlain, false, true, "1.250000"},
      {std::nan(""), 2, kSignAfter, true, true, ""},
      {std::numeric_limits<double>::infinity(), 2, kSignAfter, false, true, "inf+"},
      {-std::numeric_limits<double>::infinity(), 2, kSignParentheses, false, true, "(inf)"},
      {-1.7e308, 2, kSignPlain, false, true, "-inf"},
  };
  T_TextBuf text;
  for (const Case& c : cases) {
    ValueScalingSet(c.scaling);
    NumberText(&text, c.value, c.decimals, c.sign, c.zero);
    EXPECT_STREQ(text.data, c.text) << c.value << " " << c.decimals << " " << c.sign;
  }
  for (int32_t d = 0; d <= 6; ++d) {
    NumberText(&text, 2.5, d, kSignPlain, false);
    EXPECT_EQ(static_cast<int32_t>(text.length), d == 0 ? 1 : 2 + d) << d;
  }
  ValueScalingSet(true);
  *format = saved;
}

TEST_F(BoxOutputTest, RowRecordCutsATooLongTextAtACharacterAndEmptiesLaterCells) {
  T_TestBox* box = NewBox({40, 40});
  RowTextPool pool;
  ASSERT_TRUE(pool.Init());
  box->GetRowTexts(&pool, 0);  // no rows: only rewinds
  std::string longText(kRowTextBytes - 2, 'a');
  longText += "\xC3\xA9\xC3\xA9";  // two 2-byte characters cross the end
  T_BoxField* first = box->GetField(0);
  T_BoxField* second = box->GetField(1);
  EXPECT_TRUE(PutCellText(&pool, first, longText.c_str()));
  EXPECT_EQ(strlen(first->cellText), static_cast<size_t>(kRowTextBytes - 2));
  EXPECT_FALSE(PutCellText(&pool, second, "later"));
  EXPECT_EQ(second->cellText, nullptr);
  pool.Free();
}

TEST_F(BoxOutputTest, DefaultTextExportSkipsEmptyDataRowsAndTrailingSeparators) {
  T_TestBox* box = Table();
  EXPECT_EQ(Text(box), "Head\r\nAlpha\t1,5\r\nBeta \"b\"\t\tx\r\n");
}

TEST_F(BoxOutputTest, IncludeFlagsQuotesAndRowChoices) {
  T_TestBox* box = Table();
  BlockTextAssign(&box->notes, "First\rSecond");
  box->output.windowTitle = box->output.notes = box->output.columnTitles = 1;
  box->output.quoteCharacter = '"';
  box->output.fieldSeparator = ';';
  box->output.rowTerminator = 10;
  EXPECT_EQ(Text(box),
            "\"Sales: Monthly\"\n\n\"First\"\n\"Second\"\n\n\"Name\";\"Amount\";\"Note\"\n"
            "\"Head\"\n\"Alpha\";\"1,5\"\n\"Beta \"\"b\"\"\";\"\";\"x\"\n");
  box->output = OutputOptions{};
  box->output.excludeQuotes = 1;
  box->output.headerRows = 0;
  EXPECT_EQ(Text(box), "Alpha\t1,5\r\nBeta b\t\tx\r\n");
  box->output.headerRows = 1;
  box->output.dataRows = 0;
  EXPECT_EQ(Text(box), "Head\r\n");
}

TEST_F(BoxOutputTest, WindowWithoutFieldsWritesNothing) {
  auto* box = new T_TestBox();
  box->CreateGridItems(40, 14, 0);
  EventHandler_Open(box);
  EXPECT_EQ(Text(box), "");
}

TEST_F(BoxOutputTest, ExportEncodingsAndTheAppendRule) {
  T_TestBox* box = NewBox({60});
  box->SetRows({{"\xC3\xA9t\xC3\xA9"}});
  std::string folder = TempFolder();
  std::string path = folder + "\\enc.txt";
  struct Case {
    TextEncoding encoding;
    std::string bytes;
  } cases[] = {
      {kEncodingUtf8, "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9\r\n"},
      {kEncodingUtf16LE, std::string("\xFF\xFE\xE9\0t\0\xE9\0\r\0\n\0", 12)},
      {kEncodingLatin1, "\xE9t\xE9\r\n"},
  };
  for (const Case& c : cases) {
    box->output.encoding = c.encoding;
    ASSERT_TRUE(box->ExportToFile(path.c_str(), 0)) << c.encoding;
    EXPECT_EQ(ReadFile(path), c.bytes) << c.encoding;
  }
  // Appending to a file of 6 bytes replaces it; from 7 bytes on the text follows a line end.
  box->output.encoding = kEncodingLatin1;
  WriteFile(path, "123456");
  ASSERT_TRUE(box->ExportToFile(path.c_str(), kExportAppend));
  EXPECT_EQ(ReadFile(path), "\xE9t\xE9\r\n");
  WriteFile(path, "1234567");
  ASSERT_TRUE(box->ExportToFile(path.c_str(), kExportAppend));
  EXPECT_EQ(ReadFile(path), "1234567\r\n\xE9t\xE9\r\n");
  DeleteFileA(path.c_str());
}

TEST_F(BoxOutputTest, FailedExportsLeaveTheTargetAndNoTemporaryFile) {
  T_TestBox* box = NewBox({60, 60});
  std::vector<Row> rows;
  for (int i = 0; i < 3000; ++i) rows.push_back({"row " + std::to_string(i), "value"});
  box->SetRows(rows);
  std::string folder = TempFolder();
  std::string path = folder + "\\kept.txt";
  const std::string original = "the user's good file\r\n";
  static int failAt;
  static int writes;
  for (failAt = 1; failAt <= 4; ++failAt) {
    WriteFile(path, original);
    writes = 0;
    SetFileWriteFailHook([](const SysFile*, int64_t) { return ++writes != failAt; });
    EXPECT_FALSE(box->ExportToFile(path.c_str(), failAt % 2 ? 0 : kExportAppend)) << failAt;
    SetFileWriteFailHook(nullptr);
    PendingErrorClear();
    EXPECT_EQ(ReadFile(path), original) << failAt;
    EXPECT_EQ(FilesIn(folder), 1) << failAt;
  }
  // A read-only target keeps its old text, and the reason names it: 608, not written.
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(box->ExportToFile(path.c_str(), 0));
  EXPECT_EQ(PendingError.request.message, 608);
  T_TextBuf why;
  AlertFormatText(&PendingError.request, &why);
  EXPECT_NE(std::string(why.c_str()).find(path), std::string::npos) << why.c_str();
  PendingErrorClear();
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(FilesIn(folder), 1);
  // A missing folder writes nothing and reports.
  std::string missing = folder + "\\no such folder\\x.txt";
  EXPECT_FALSE(box->ExportToFile(missing.c_str(), 0));
  PendingErrorClear();
  // An abort leaves the target too.
  PendingError.abort = true;
  EXPECT_FALSE(box->ExportToFile(path.c_str(), 0));
  PendingError.abort = false;
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(FilesIn(folder), 1);
  DeleteFileA(path.c_str());
}

TEST_F(BoxOutputTest, ChartPicturesGoThroughATemporaryFileToo) {
  T_TestBox* box = NewBox({60, 60});
  box->SetRows({{"a", "b"}, {"c", "d"}});
  box->viewMode = 4;
  box->output.chartWidth = 120;
  box->output.chartHeight = 60;
  std::string folder = TempFolder();
  std::string path = folder + "\\chart.bmp";
  WriteFile(path, "old picture");
  EXPECT_FALSE(box->ExportToFile(path.c_str(), kExportAppend));  // pictures are not appended to
  EXPECT_EQ(ReadFile(path), "old picture");
  SetFileWriteFailHook([](const SysFile*, int64_t) { return false; });
  EXPECT_FALSE(box->ExportToFile(path.c_str(), 0));
  SetFileWriteFailHook(nullptr);
  PendingErrorClear();
  EXPECT_EQ(ReadFile(path), "old picture");
  EXPECT_EQ(FilesIn(folder), 1);
  ASSERT_TRUE(box->ExportToFile(path.c_str(), 0));
  std::string bytes = ReadFile(path);
  ASSERT_GT(bytes.size(), 54u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  // The picture is as wide as asked and as high as the rows and the title band need.
  int32_t width = *reinterpret_cast<const int32_t*>(bytes.data() + 18);
  int32_t height = std::abs(*reinterpret_cast<const int32_t*>(bytes.data() + 22));
  EXPECT_EQ(width, 120);
  EXPECT_EQ(height, 60 + 14 + 5);
  DeleteFileA(path.c_str());
}

TEST_F(BoxOutputTest, CopyTableStopsAfterTheRowReachingItsLimit) {
  T_TestBox* box = NewBox({60, 60});
  std::vector<Row> rows;
  for (int i = 0; i < 500; ++i) rows.push_back({std::string(20, 'x'), ""});  // 23 bytes a row
  box->SetRows(rows);
  CopyTableSettings* settings = CopyTableCurrent();
  CopyTableSettings saved = *settings;
  settings->code = 4;  // 3072 bytes
  T_OStream stream;
  ASSERT_TRUE(box->BuildCopyTableText(&stream));
  // Every row is written whole, empty cells too: 134 rows reach 3082 bytes.
  EXPECT_EQ(stream.BufferedLength(), 134 * 23);
  settings->code = 0;
  T_OStream all;
  box->BuildCopyTableText(&all);
  EXPECT_EQ(all.BufferedLength(), 500 * 23);
  *settings = saved;
}

TEST_F(BoxOutputTest, RangeCopyOfOneCellHasNoLineEnd) {
  T_TestBox* box = NewBox({60, 60, 60});
  box->SetRows({{"a", "b", "c"}, {"d", "e", "f"}});
  box->SetSelectMode(kSelectRange);
  box->SelectCell(0, 1, false);
  T_OStream one;
  box->CopyRange(&one, false);
  EXPECT_EQ(StreamText(one), "b");
  box->SelectCell(1, 2, true);
  T_OStream block;
  box->CopyRange(&block, false);
  EXPECT_EQ(StreamText(block), "b\tc\r\ne\tf\r\n");
}

TEST_F(BoxOutputTest, HtmlPageEscapesCellsAndTitlesAndWritesTheStyleSheet) {
  T_TestBox* box = Table();
  box->SetTitleCopy("Sales <Q1> & \"more\"");
  box->rows[1][0] = "<b>Alpha</b> & 'Co'";
  BlockTextAssign(&box->notes, "Line one\rLine <two>");
  box->output.format = kOutputHtml;
  box->output.windowTitle = box->output.notes = box->output.columnTitles = 1;
  box->output.columnWidths = 1;
  box->GetField(1)->SetAlignment(kStyleRight);
  box->treeDepth = 6;
  std::string html = Text(box);
  EXPECT_EQ(html.rfind("<!DOCTYPE html PUBLIC", 0), 0u);
  EXPECT_NE(html.find("<title>Sales &lt;Q1&gt; &amp; &quot;more&quot;</title>"), std::string::npos);
  EXPECT_NE(html.find("&lt;b&gt;Alpha&lt;/b&gt; &amp; &apos;Co&apos;"), std::string::npos) << html;
  EXPECT_EQ(html.find("<b>Alpha"), std::string::npos);
  EXPECT_NE(html.find("Line &lt;two&gt;"), std::string::npos);
  EXPECT_NE(html.find("<th width=\"50\" align=\"right\">Amount</th>"), std::string::npos) << html;
  for (int n = 1; n <= 6; ++n) {
    std::string rule = "p.level" + std::to_string(n) + " {padding-left: " + std::to_string(n * 10) + "px}";
    EXPECT_NE(html.find(rule), std::string::npos) << rule;
  }
  EXPECT_EQ(html.find("p.level7"), std::string::npos);
  LeaveOutput("analysis_boxwin", "page.html", html);
  for (int depth : {3, 9}) {
    box->treeDepth = depth;
    std::string sheet = Text(box);
    int step = depth < 6 ? 11 : 9;
    EXPECT_NE(sheet.find("p.level" + std::to_string(depth) + " {padding-left: " +
                         std::to_string(depth * step) + "px}"),
              std::string::npos);
  }
}

TEST_F(BoxOutputTest, WebTablePagesStripesAndSortLinks) {
  T_TestBox* box = NewBox({60, 60}, {"Name", "Sum"});
  struct Case {
    int rows;
    int64_t pages;
  } cases[] = {{0, 0}, {44, 1}, {45, 2}, {84, 2}, {85, 3}};
  for (const Case& c : cases) {
    std::vector<Row> rows;
    for (int i = 0; i < c.rows; ++i) rows.push_back({"r" + std::to_string(i), "1"});
    box->SetRows(rows);
    box->pageCount = 0;
    EXPECT_EQ(box->WebPageCount(), c.pages) << c.rows;
  }
  // 45 rows: page 2 holds the last 5, page 0 every row.
  std::vector<Row> rows;
  for (int i = 0; i < 45; ++i) rows.push_back({"r" + std::to_string(i), "1"});
  box->SetRows(rows);
  box->pageCount = 0;
  auto count = [](const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
  };
  T_OStream second;
  box->WriteWebPage(&second, 2);
  EXPECT_EQ(count(StreamText(second), "<td>r"), 5u);
  T_OStream all;
  box->WriteWebPage(&all, 0);
  EXPECT_EQ(count(StreamText(all), "<td>r"), 45u);
  EXPECT_EQ(count(StreamText(all), "<tr class=\"gridline\">"), 22u);
  // Sort links: the served address loses its page and sort parameters and cannot leave its
  // attribute; the markers become nabla and Delta.
  box->sortKeys = true;
  box->GetField(0)->SetSortIcons(kMarkerDescending, 0);
  box->GetField(1)->SetSortIcons(kMarkerAscending, 1);
  BoxWinServices services{};
  services.webSelfUrl = [](T_TextBuf* url) {
    TextBufAssign(url, "/db?page=2&x=1&sort=3&q=\"><script>");
    return true;
  };
  SetBoxWinServices(&services);
  T_OStream linked;
  box->WriteWebPage(&linked, 1);
  std::string page = StreamText(linked);
  EXPECT_NE(page.find("href=\"/db?x=1&q=%22%3E%3Cscript%3E&sort=0\">Name&nbsp;&nabla;</a>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("&nbsp;&Delta;"), std::string::npos);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  LeaveOutput("analysis_boxwin", "webtable.html",
              "<html><body><table>" + page + "</table></body></html>");
  // A pending calculation error is shown escaped and cleared.
  T_TextBuf plain;
  SortLinkAddress(&plain, "/db?page=all&a=b", "k");
  EXPECT_STREQ(plain.data, "/db?page=all&a=b&sort=k");
}

TEST_F(BoxOutputTest, CardPagesEndAtCardBoundaries) {
  T_TestBox* box = new T_TestBox(kWindowCards);
  box->Build({60});
  EventHandler_Open(box);
  // Cards of 7 rows: each starts with a title row that is no data row.
  std::vector<Row> rows;
  for (int i = 0; i < 120; ++i) {
    rows.push_back({"r" + std::to_string(i)});
    if (i % 7 == 0) box->nonData[i] = true;
  }
  box->SetRows(rows);
  int64_t pages = box->WebPageCount();
  ASSERT_GE(pages, 3);
  ASSERT_NE(box->pageStarts, nullptr);
  for (int64_t p = 1; p < pages; ++p) {
    int64_t start = box->pageStarts[p];
    int64_t length = start - box->pageStarts[p - 1];
    EXPECT_EQ(start % 7, 0) << p;
    EXPECT_GE(length, 33);
    EXPECT_LE(length, 43);
  }
  EXPECT_LT(rows.size() - box->pageStarts[pages - 1], 45u);
}

TEST_F(BoxOutputTest, APendingCalculationErrorShowsEscapedOnTheWebPageAndIsCleared) {
  T_TestBox* box = Table();
  PendingErrorSet(605);
  AlertAddText(&PendingError.request, "<b>broken</b>");
  T_OStream stream;
  box->WriteWebPage(&stream, 1);
  std::string page = StreamText(stream);
  EXPECT_NE(page.find("<br>605: "), std::string::npos) << page;
  EXPECT_EQ(page.find("<b>broken"), std::string::npos);
  EXPECT_EQ(PendingError.request.message, 0);
}

TEST_F(BoxOutputTest, NotesInXml) {
  T_TestBox* box = Table();
  BlockTextAssign(&box->notes, "Q1 <draft> & \"final\"");
  T_OStream none;
  box->WriteNotesXml(&none);
  EXPECT_EQ(StreamText(none), "");  // "notes" is off
  box->output.notes = 1;
  T_OStream stream;
  stream.PutXmlProlog();
  box->WriteNotesXml(&stream);
  std::string xml = StreamText(stream);
  EXPECT_NE(xml.find("<notes>\r\nQ1 &lt;draft&gt; &amp; &quot;final&quot;\r\n</notes>\r\n\r\n"),
            std::string::npos)
      << xml;
  LeaveOutput("analysis_boxwin", "notes.xml", xml);
}

TEST(BoxExportName, TitlesBecomeFileNames) {
  struct Case {
    const char* title;
    const char* extension;
    const char* name;
  } cases[] = {
      {"Sales: North Region", "htm", "Sales North Region.htm"},
      {"Report.txt", "xml", "Report.txt"},
      {"a/b\\c<d>e", "txt", "abcde.txt"},
      {"Version 1.5 final", "txt", "Version 15 final.txt"},
  };
  T_TextBuf name;
  for (const Case& c : cases) {
    ExportNameFromTitle(&name, c.title, c.extension);
    EXPECT_STREQ(name.data, c.name) << c.title;
  }
  std::string longTitle = std::string(50, 'P') + ": " + std::string(40, 'Q');
  ExportNameFromTitle(&name, longTitle.c_str(), "txt");
  EXPECT_EQ(std::string(name.data), std::string(40, 'Q') + ".txt");
  std::string huge(200, 'Z');
  ExportNameFromTitle(&name, huge.c_str(), "txt");
  EXPECT_EQ(Utf8CharCount(name.data), 120);
}

}  // namespace
