// The record lines of box templates: defaults, the edge cases of each key, the golden record text
// of each window kind read and written back byte for byte by its stand-in, copies, the XML form
// of the export options, and damaged record text.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/bit_vector.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "database/file_kinds.h"
#include "tests/database/templates/templates_fixture.h"
#include "tests/source_path.h"

namespace {

using templates_test::Messages;
using templates_test::ReadTemplate;
using templates_test::ReadTemplateLines;
using templates_test::TemplatesTest;
using templates_test::TreeProblems;
using templates_test::WriteTemplate;
using templates_test::Written;

std::string ReadFile(const std::string& relative) {
  std::string path = TestSourcePath(relative);
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

struct Golden {
  int32_t kind;
  const char* file;
};
const Golden kGoldens[] = {
    {kTemplateCards, "kind1_cards.txt"},
    {kTemplateLines, "kind2_lines.txt"},
    {kTemplateComponents, "kind3_components.txt"},
    {kTemplateTimeFunctions, "kind4_time_functions.txt"},
    {kTemplateComponentFunctions, "kind5_component_functions.txt"},
};

std::string GoldenText(const Golden& golden) {
  return ReadFile(std::string("tests/database/templates/data/") + golden.file);
}

// The box fields still at the value a new box template has.
std::vector<std::string> FieldsAtDefault(const T_BoxTmpl& t, const T_BoxTmpl& d) {
  std::vector<std::string> same;
  auto check = [&](const char* name, bool equal) {
    if (equal) same.emplace_back(name);
  };
  check("openDirect", t.openDirect == d.openDirect);
  check("calcDirect", t.calcDirect == d.calcDirect);
  check("zoomDirect", t.zoomDirect == d.zoomDirect);
  check("webVisible", t.webVisible == d.webVisible);
  check("left", t.left == d.left);
  check("top", t.top == d.top);
  check("right", t.right == d.right);
  check("bottom", t.bottom == d.bottom);
  check("headerHeight", t.headerHeight == d.headerHeight);
  check("titleHeight", t.titleHeight == d.titleHeight);
  check("modeBoxWidth", t.modeBoxWidth == d.modeBoxWidth);
  check("subsets", StoredSubsetListEmpty(&t.subsets));
  check("notes", t.notes == nullptr);
  const OutputOptions& o = t.output;
  const OutputOptions& od = d.output;
  check("encoding", o.encoding == od.encoding);
  check("format", o.format == od.format);
  check("decimalSeparator", o.decimalSeparator == od.decimalSeparator);
  check("thousandsSeparator", o.thousandsSeparator == od.thousandsSeparator);
  check("fieldSeparator", o.fieldSeparator == od.fieldSeparator);
  check("quoteCharacter", o.quoteCharacter == od.quoteCharacter);
  check("rowTerminator", o.rowTerminator == od.rowTerminator);
  check("excludeQuotes", o.excludeQuotes == od.excludeQuotes);
  check("output.windowTitle", o.windowTitle == od.windowTitle);
  check("output.notes", o.notes == od.notes);
  check("output.definition", o.definition == od.definition);
  check("output.columnTitles", o.columnTitles == od.columnTitles);
  check("output.headerRows", o.headerRows == od.headerRows);
  check("output.dataRows", o.dataRows == od.dataRows);
  check("separateDimensions", o.separateDimensions == od.separateDimensions);
  check("chartWidth", o.chartWidth == od.chartWidth);
  check("chartHeight", o.chartHeight == od.chartHeight);
  check("entityNames", o.entityNames == od.entityNames);
  check("columnWidths", o.columnWidths == od.columnWidths);
  const PrintOptions& p = t.print;
  const PrintOptions& pd = d.print;
  check("print.windowTitle", p.windowTitle == pd.windowTitle);
  check("dateTime", p.dateTime == pd.dateTime);
  check("print.notes", p.notes == pd.notes);
  check("print.definition", p.definition == pd.definition);
  check("print.columnTitles", p.columnTitles == pd.columnTitles);
  check("print.headerRows", p.headerRows == pd.headerRows);
  check("print.dataRows", p.dataRows == pd.dataRows);
  check("bindingMargin", p.bindingMargin == pd.bindingMargin);
  check("fillPage", p.fillPage == pd.fillPage);
  check("pageNumbers", p.pageNumbers == pd.pageNumbers);
  check("pageSetup[0]", p.pageSetup[0] == nullptr);
  check("pageSetup[1]", p.pageSetup[1] == nullptr);
  return same;
}

TEST_F(TemplatesTest, DefaultsWriteOnlyTheTemplateLineTheEncodingAndTheThousandsSeparator) {
  const std::string box = "xeE\tUTF-8\r\nxem\t#1\r\n";
  T_BoxTmpl plain(kTemplateCards, base);
  plain.SetName("A");
  EXPECT_EQ(WriteTemplate(&plain), "#C\tA\r\n" + box);
  // The stand-ins close with an empty line where their real classes do.
  struct Case {
    int32_t kind;
    std::string text;
  };
  const Case cases[] = {{1, "#C\r\n" + box},          {2, "#L\r\n" + box},
                        {3, "#P\r\n" + box + "\r\n"}, {4, "#T\r\n" + box + "\r\n"},
                        {5, "#R\r\n" + box + "\r\n"}, {10, "#K\r\n" + box + "\r\n"}};
  for (const Case& c : cases) {
    EXPECT_EQ(WriteTemplate(base->GetDefaultTemplate(c.kind)), c.text) << c.kind;
  }
  // A folder writes nothing.
  EXPECT_EQ(WriteTemplate(base->rootTemplate), "");
}

TEST_F(TemplatesTest, RecordEdgeCases) {
  struct Case {
    const char* label;
    std::string records;  // after the template line
    std::function<bool(const T_BoxTmpl&)> holds;
    std::string writtenBack;  // the box lines after the template line
  };
  const std::string tail = "xeE\tUTF-8\r\nxem\t#1\r\n";
  const Case cases[] = {
      {"page style -", "xpp\t-\r\n", [](const T_BoxTmpl& t) { return t.print.pageNumbers == 0; },
       "xpp\t-\r\n" + tail},
      {"page style a", "xpp\ta\r\n", [](const T_BoxTmpl& t) { return t.print.pageNumbers == 1; },
       "xpp\ta\r\n" + tail},
      {"page style s", "xpp\ts\r\n", [](const T_BoxTmpl& t) { return t.print.pageNumbers == 2; },
       "xpp\ts\r\n" + tail},
      {"page style p", "xpp\ta\r\nxpp\tp\r\n",
       [](const T_BoxTmpl& t) { return t.print.pageNumbers == 3; }, tail},
      {"page style outside", "xpp\ts\r\nxpp\tq\r\nxpp\r\n",
       [](const T_BoxTmpl& t) { return t.print.pageNumbers == 2; }, "xpp\ts\r\n" + tail},
      {"xpw", "xpw\r\n", [](const T_BoxTmpl& t) { return t.print.windowTitle == 0; },
       "xpt\r\n" + tail},
      {"SysPage", "xeE\tSysPage\r\n",
       [](const T_BoxTmpl& t) { return t.output.encoding == kEncodingSystemPage; },
       "xeE\tSysPage\r\nxem\t#1\r\n"},
      {"PC-8", "xeE\tpc-8\r\n",
       [](const T_BoxTmpl& t) { return t.output.encoding == kEncodingPc8; },
       "xeE\tPC-8\r\nxem\t#1\r\n"},
      {"encoding by its other name", "xeE\tcp1250\r\n",
       [](const T_BoxTmpl& t) { return t.output.encoding == kEncodingLatin2; },
       "xeE\tISO-8859-2\r\nxem\t#1\r\n"},
      {"unknown encoding",
       "xeE\tMacRoman\r\nxeE\tKlingon\r\nxeE\t" + std::string(300, 'U') + "\r\n",
       [](const T_BoxTmpl& t) { return t.output.encoding == kEncodingMacRoman; },
       "xeE\tMacRoman\r\nxem\t#1\r\n"},
      {"codes 33 127 # 160 2", "xed\t!\r\nxem\t\x7f\r\nxef\t##\r\nxeq\t#B\r\nxen\t#F\r\n",
       [](const T_BoxTmpl& t) {
         return t.output.decimalSeparator == 33 && t.output.thousandsSeparator == 127 &&
                t.output.fieldSeparator == '#' && t.output.quoteCharacter == 160 &&
                t.output.rowTerminator == 2;
       },
       "xeE\tUTF-8\r\nxed\t!\r\nxem\t\x7f\r\nxef\t##\r\nxeq\t#B\r\nxen\t#F\r\n"},
      {"codes out of range", "xed\t#70000\r\nxem\t#-5\r\nxef\t#123456789\r\nxeq\t\r\nxen\t#\r\n",
       [](const T_BoxTmpl& t) {
         return t.output.decimalSeparator == 0 && t.output.thousandsSeparator == 0 &&
                t.output.fieldSeparator == 0 && t.output.quoteCharacter == 0 &&
                t.output.rowTerminator == 0;
       },
       "xeE\tUTF-8\r\nxef\t#0\r\nxeq\t#0\r\n"},
      {"codes beyond ASCII", "xed\t\xE2\x82\xAC\r\nxem\t#65535\r\nxef\t#32\r\n",
       [](const T_BoxTmpl& t) {
         return t.output.decimalSeparator == 0x20AC && t.output.thousandsSeparator == 0xFFFF &&
                t.output.fieldSeparator == 32;
       },
       "xeE\tUTF-8\r\nxed\t#8364\r\nxem\t#65535\r\nxef\t#32\r\n"},
      {"sizes out of range",
       "xE\t70000\r\nxT\t-1\r\nxM\t65535\r\nxP\t-5\t7\r\nxS\t2147483648\t99999999999999999999\r\n"
       "xeW\t4294967296\r\nxeH\t-3\r\n",
       [](const T_BoxTmpl& t) {
         return t.headerHeight == 0 && t.titleHeight == 0 && t.modeBoxWidth == 65535 &&
                t.top == -5 && t.left == 7 && t.bottom == 0 && t.right == 0 &&
                t.output.chartWidth == 0 && t.output.chartHeight == 0;
       },
       "xP\t-5\t7\r\nxM\t65535\r\n" + tail},
      {"one half of a page setup", "xLc\t4142\r\nxLw\t*ZZ\r\nxLc\t4344\r\n",
       [](const T_BoxTmpl& t) { return !t.print.pageSetup[0] && !t.print.pageSetup[1]; }, tail},
      {"unknown keys", "xq\r\nx\r\nxe\r\nxeZ\t1\r\nq\r\n\r\n",
       [](const T_BoxTmpl& t) { return t.webVisible == 1; }, tail},
  };
  for (const Case& c : cases) {
    T_BoxTmpl templ(kTemplateCards, base);
    templ.SetName("T");
    std::string text = "#C\tT\r\n" + c.records;
    T_IStream stream;
    stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    bool atLine = stream.NextLine() && stream.NextLine();
    templ.ReadRecords(&stream, atLine);
    EXPECT_TRUE(c.holds(templ)) << c.label;
    EXPECT_EQ(WriteTemplate(&templ), "#C\tT\r\n" + c.writtenBack) << c.label;
  }
}

TEST_F(TemplatesTest, WindowRectanglesAndColumnWidths) {
  struct Case {
    RECT stored;
    RECT expected;  // with the default size 628 x 340
  };
  const Case cases[] = {
      {{0, 0, 50, 40}, {0, 0, 628, 340}},
      {{0, 0, 99, 100}, {0, 0, 628, 100}},
      {{10, 20, 700, 500}, {10, 20, 700, 500}},
      {{700, 0, 50, 400}, {700, 0, 1328, 400}},  // left beyond the default right edge
      {{100, 300, 150, 350}, {100, 300, 728, 640}},
  };
  for (const Case& c : cases) {
    T_BoxTmpl templ(kTemplateCards, base);
    templ.left = c.stored.left;
    templ.top = c.stored.top;
    templ.right = c.stored.right;
    templ.bottom = c.stored.bottom;
    RECT r = templ.GetWindowRect(628, 340);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right) << c.stored.left << "," << c.stored.right;
    EXPECT_EQ(r.bottom, c.expected.bottom) << c.stored.top << "," << c.stored.bottom;
  }
  T_BoxTmpl templ(kTemplateCards, base);
  for (uint16_t width : {0, 31, 801, 65535}) {
    templ.modeBoxWidth = width;
    EXPECT_EQ(templ.GetColumnWidth(224), 224) << width;
  }
  for (uint16_t width : {32, 150, 800}) {
    templ.modeBoxWidth = width;
    EXPECT_EQ(templ.GetColumnWidth(224), width);
  }
}

TEST_F(TemplatesTest, GoldenRecordTextReadsAndWritesBackByteForByte) {
  T_BoxTmpl fresh(kTemplateCards, base);
  for (const Golden& golden : kGoldens) {
    std::string text = GoldenText(golden);
    ASSERT_FALSE(text.empty()) << golden.file;
    T_Template* templ = ReadTemplate(base, golden.kind, text);
    EXPECT_EQ(FieldsAtDefault(*AsBoxTemplate(templ), fresh), std::vector<std::string>{})
        << golden.file;
    EXPECT_EQ(WriteTemplate(templ), "#" + std::string(1, TemplateKindLetter(golden.kind)) + "\r\n" +
                                        text.substr(text.find("\r\n") + 2))
        << golden.file;
    // Stored under its path, it writes its own template line again.
    size_t tab = text.find('\t');
    std::string pathText = text.substr(tab + 1, text.find("\r\n") - tab - 1);
    ASSERT_TRUE(StoreTemplate(base, templ, pathText.c_str()));
    EXPECT_EQ(WriteTemplate(templ), text) << golden.file;
    // A second read into the same template replaces what the first one kept.
    T_IStream again;
    again.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    templ->ReadRecords(&again, again.NextLine() && again.NextLine());
    EXPECT_EQ(WriteTemplate(templ), text) << golden.file;
  }
}

TEST_F(TemplatesTest, ADuplicateWritesTheSameRecordsAsItsSource) {
  base->fileKind = kFileKindContainerN;
  base->fileVersion = 19990101;
  for (const Golden& golden : kGoldens) {
    std::string text = GoldenText(golden);
    T_Template* source = ReadTemplate(base, golden.kind, text);
    T_Template* copy = DuplicateTemplate(base, source, "Copies: One");
    ASSERT_NE(copy, nullptr) << golden.file;
    std::string records = text.substr(text.find("\r\n"));
    std::string letter(1, TemplateKindLetter(golden.kind));
    EXPECT_EQ(WriteTemplate(copy), "#" + letter + "\tCopies: One" + records) << golden.file;
    EXPECT_EQ(DuplicateTemplate(base, source, "copies: one"), nullptr);  // the path is taken
    T_Template* loose = DuplicateTemplate(base, source, nullptr);
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(loose->parent, nullptr);
    EXPECT_EQ(WriteTemplate(loose), "#" + letter + records);
    DeleteTemplate(loose);
    DeleteTemplate(source);
    RemoveTemplate(base, copy);
  }
  EXPECT_EQ(base->fileKind, kFileKindContainerN);
  EXPECT_EQ(base->fileVersion, 19990101);
}

TEST_F(TemplatesTest, StandInsKeepWhatTheyDoNotReadAndCountEverythingAsUsed) {
  // Inner empty lines stay; trailing ones give way to the kind's own closing line.
  const std::string records = "W\tP\r\n\r\nGx\t1\r\nZZ\tkeep\t\r\n\r\n\r\n";
  T_Template* lines = ReadTemplate(base, kTemplateLines, "#L\tX\r\n" + records);
  EXPECT_EQ(WriteTemplate(lines),
            "#L\r\nxeE\tUTF-8\r\nxem\t#1\r\nW\tP\r\n\r\nGx\t1\r\nZZ\tkeep\t\r\n");
  T_Template* funcs = ReadTemplate(base, kTemplateComponentFunctions, "#R\tX\r\n" + records);
  EXPECT_EQ(WriteTemplate(funcs),
            "#R\r\nxeE\tUTF-8\r\nxem\t#1\r\nW\tP\r\n\r\nGx\t1\r\nZZ\tkeep\t\r\n\r\n");

  BitVector set;
  BitVecInit(&set, 40, 0);
  BitVecFill(&set, false);
  lines->MarkUsedComponents(&set);
  EXPECT_EQ(BitVecCount(&set), 40);
  BitVecFill(&set, false);
  funcs->MarkSelectedLines(&set);
  EXPECT_EQ(BitVecCount(&set), 40);
  // A real box template counts only what its stored subsets name: here nothing.
  T_BoxTmpl box(kTemplateCards, base);
  BitVecFill(&set, false);
  box.MarkUsedComponents(&set);
  EXPECT_EQ(BitVecCount(&set), 0);
  const char kRecords[] = "sn\tA\r\nsN\tB\r\n";
  T_IStream stored;
  stored.CtorFromMemory(kRecords, sizeof kRecords - 1);
  while (stored.NextLine()) box.ReadRecord(&stored);
  box.MarkUsedComponents(&set);
  EXPECT_EQ(BitVecCount(&set), 0);
  EXPECT_FALSE(StoredSubsetListEmpty(&box.subsets));
  BitVecFree(&set);
  DeleteTemplate(lines);
  DeleteTemplate(funcs);
}

TEST_F(TemplatesTest, NotesParametersAndDefaultsOfAKind) {
  // Notes beyond the long-text limit are cut; the records after them are still read.
  std::string notes(3 << 19, 'n');
  T_OStream stream;
  stream.PutText("#C\tX\r\nxN\t");
  stream.PutLongText(notes.c_str());
  stream.PutText("\r\nxo\r\n");
  T_Template* templ = ReadTemplate(base, kTemplateCards, Written(stream));
  T_BoxTmpl* box = AsBoxTemplate(templ);
  EXPECT_EQ(BlockTextLength(box->notes), kLongTextReadLimit);
  EXPECT_EQ(box->openDirect, 1);

  box->SetParameter("NotesText", "short");
  EXPECT_STREQ(box->notes, "short");
  box->SetParameter("other", "x");
  EXPECT_STREQ(box->notes, "short");
  box->SetXmlExport();
  EXPECT_EQ(box->output.format, kOutputXml);

  T_BoxTmpl* model = AsBoxTemplate(base->GetDefaultTemplate(kTemplateCards));
  model->left = 5;
  model->right = 700;
  model->bottom = 500;
  model->headerHeight = 30;
  model->output.windowTitle = 1;
  model->print.pageSetup[0] = MemDup("setup", 5);
  box->zoomDirect = 1;
  box->ApplyDefaults();
  EXPECT_EQ(box->left, 0);
  EXPECT_EQ(box->right, 700);
  EXPECT_EQ(box->bottom, 500);
  EXPECT_EQ(box->headerHeight, 30);
  EXPECT_EQ(box->output.windowTitle, 1);
  ASSERT_NE(box->print.pageSetup[0], nullptr);
  EXPECT_NE(box->print.pageSetup[0], model->print.pageSetup[0]);
  EXPECT_EQ(MemSize(box->print.pageSetup[0]), 5);
  EXPECT_EQ(box->calcDirect, 1);
  EXPECT_EQ(box->zoomDirect, 0);
  EXPECT_GT(templ->MemorySize(), model->MemorySize());
  DeleteTemplate(templ);
}

TEST_F(TemplatesTest, GridAndViewModeLines) {
  T_BoxTmpl templ(kTemplateLines, base);
  const char* letters = "-1235Xalu";
  for (uint32_t mode = 0; mode < 9; ++mode) {
    templ.gridMode = mode;
    templ.verticalGridLines = mode % 2;
    T_OStream stream;
    templ.GridLinesWrite(&stream);
    std::string expected = mode ? std::string("Gx\t") + letters[mode] + "\r\n" : "";
    if (mode % 2) expected += "Gy\t+\r\n";
    EXPECT_EQ(Written(stream), expected);
  }
  std::string text = "Gx\tX\r\nGy\t+\r\nGx\t?\r\nGy\t-\r\nGz\t1\r\n";
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  std::vector<bool> taken;
  while (stream.NextLine()) {
    stream.NextField();
    std::string key(stream.Field(), static_cast<size_t>(stream.FieldLength()));
    taken.push_back(templ.GridLinesReadLine(key.c_str(), &stream));
  }
  EXPECT_EQ(taken, (std::vector<bool>{true, true, true, true, false}));
  EXPECT_EQ(templ.gridMode, 5u);
  EXPECT_EQ(templ.verticalGridLines, 0);
  for (uint32_t mode = 0; mode < 6; ++mode) {
    templ.viewMode = mode;
    T_OStream out;
    templ.WriteViewModeLine(&out);
    EXPECT_EQ(Written(out),
              mode == 0 || mode == 5 ? "" : std::string("W") + "NLBPR"[mode] + "\r\n");
  }
}

TEST_F(TemplatesTest, ExportOptionsFromXml) {
  const std::string xml =
      "<export-options format=\"HTML\" wintitle=\"on\" notes=\"OFF\" headers=\"maybe\" "
      "decsep=\",\" thousep=\"\" colour=\"red\" coltitles=\"on\"/>";
  for (uint8_t warnings : {1, 0}) {
    base->xmlErrors = warnings;
    answers.asked.clear();
    OutputOptions options;
    options.notes = 1;
    options.thousandsSeparator = '.';
    T_IStream stream;
    stream.CtorFromMemory(xml.data(), static_cast<int64_t>(xml.size()));
    ASSERT_TRUE(stream.NextXmlToken());
    ParseOutputOptions(&options, &stream, base);
    EXPECT_EQ(options.format, kOutputHtml);
    EXPECT_EQ(options.windowTitle, 1);
    EXPECT_EQ(options.notes, 0);
    EXPECT_EQ(options.headerRows, 1);  // an unknown value changes nothing
    EXPECT_EQ(options.columnTitles, 1);
    EXPECT_EQ(options.decimalSeparator, ',');
    EXPECT_EQ(options.thousandsSeparator, 1);  // none
    if (warnings) {
      ASSERT_EQ(Messages(answers), (std::vector<int32_t>{3902, 3901}));
      EXPECT_EQ(answers.asked[0].text0, "maybe");
      EXPECT_EQ(answers.asked[0].text1, "headers");
      EXPECT_EQ(answers.asked[1].text0, "colour");
    } else {
      EXPECT_TRUE(answers.asked.empty());
    }
  }
  // A decimal separator of a blank or a control character is refused.
  const std::string blank = "<export-options decsep=\" \" format=\"pdf\"/>";
  base->xmlErrors = 1;
  answers.asked.clear();
  OutputOptions options;
  T_IStream stream;
  stream.CtorFromMemory(blank.data(), static_cast<int64_t>(blank.size()));
  ASSERT_TRUE(stream.NextXmlToken());
  ParseOutputOptions(&options, &stream, base);
  EXPECT_EQ(options.decimalSeparator, 0);
  EXPECT_EQ(options.format, kOutputText);
  EXPECT_EQ(Messages(answers), std::vector<int32_t>{3902});
}

TEST_F(TemplatesTest, DamagedRecordTextEndsEveryReadWithAWholeTree) {
  std::string all;
  for (const Golden& golden : kGoldens) all += GoldenText(golden);
  uint32_t seed = 19;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  const char* inserts[] = {"#", "\r\n", "\t", "/==", "#C\tA: ", ":", "\xE2\x82", "*"};
  for (int32_t round = 0; round < 400; ++round) {
    std::string text = all;
    for (uint32_t edits = 1 + next(6); edits > 0; --edits) {
      size_t at = next(static_cast<uint32_t>(text.size()));
      switch (next(4)) {
        case 0:
          text[at] = static_cast<char>(text[at] ^ (1 + next(255)));
          break;
        case 1:
          text.insert(at, inserts[next(8)]);
          break;
        case 2:
          text.erase(at, next(40));
          break;
        default:
          text.resize(at);
          break;
      }
      if (text.empty()) text = "#";
    }
    ReadTemplateLines(base, text);
    ASSERT_EQ(TreeProblems(base->rootTemplate), "") << round;
    T_Template* root = base->rootTemplate;
    for (T_Template* node = root->firstChild; node; node = node->NextBelow(root)) {
      T_OStream out;
      node->WriteText(&out);
    }
    DeleteAllTemplates(base);
  }
}

}  // namespace
