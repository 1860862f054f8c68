#include <string>

#include "files_fixture.h"

namespace {

using FileKinds = FilesTest;

// A container header: magic (or another start), date, byte 11, mode letter, compression byte.
std::string Header(const char* date, char mode = 'N', char compressed = 'Z', char mark = 'o',
                   const char* magic = "\x05\x13Qbx") {
  std::string head = std::string(magic, 5) + date + mark + 'i' + mode + compressed + '6';
  return head + std::string(40 - head.size(), '\0');
}

std::string Utf16Le(const std::string& ascii) {
  std::string wide = "\xFF\xFE";
  for (char c : ascii) wide += std::string{c, '\0'};
  return wide;
}

TEST_F(FileKinds, DetectionTable) {
  const std::string nineLines = "a\rb\rc\rd\re\rf\rg\rh\ri\r";
  const struct {
    const char* what;
    std::string content;  // "<missing>" for no file
    int32_t kind;
    int32_t date;
    uint8_t newer, compressed, mark;
  } cases[] = {
      {"before 1996-12-14", Header("961213"), 8, 19961213, 0, 1, 0},
      {"1996-12-14", Header("961214"), 4, 19961214, 0, 1, 0},
      {"1998-12-01", Header("981201"), 4, 19981201, 0, 1, 0},
      {"1998-12-02", Header("981202"), 8, 19981202, 0, 1, 0},
      {"1998-12-07", Header("981207"), 8, 19981207, 0, 1, 0},
      {"1998-12-08", Header("981208"), 1, 19981208, 0, 1, 0},
      {"2012-11-22", Header("121122"), 1, 20121122, 0, 1, 0},
      {"2012-11-23", Header("121123"), 1, 20121123, 1, 1, 0},
      {"mode B", Header("121122", 'B'), 2, 20121122, 0, 1, 0},
      {"mode U stored", Header("121122", 'U', '-'), 3, 20121122, 0, 0, 0},
      {"mode -", Header("121122", '-'), 14, 20121122, 0, 1, 0},
      {"cut after the mark", Header("121122").substr(0, 13), 14, 20121122, 0, 1, 0},
      {"password mark", Header("121122", 'N', 'Z', 'x'), 1, 20121122, 0, 1, 'x'},
      {"mark on an old header", Header("961213", 'N', 'Z', 'x'), 8, 19961213, 0, 1, 'x'},
      {"text magic", Header("121122", 'B', 'Z', 'o', "##Qbx"), 2, 20121122, 0, 1, 0},
      {"text magic, no date", "##Qbx is plain", 8, 0, 0, 1, 0},
      {"third generation", "\xA5\xA5\xA5 old", 9, 0, 0, 0, 0},
      {"text form", "##QEB-Text\t121122\r\n\r\n##End\r\n", 5, 20121122, 0, 0, 0},
      {"text form, later", "##QEB-Text\t121123\r\n", 5, 20121123, 1, 0, 0},
      {"text form 1996-09-30", "##QEB-Text\t960930\r\n", 5, 19960930, 0, 0, 0},
      {"text form 1996-09-29", "##QEB-Text\t960929\r\n", 8, 19960929, 0, 0, 0},
      {"tag in lower case", "##qeb-text\t121122\n", 5, 20121122, 0, 0, 0},
      {"byte-order mark", "\xEF\xBB\xBF##QEB-Text\t121122\r\n", 5, 20121122, 0, 0, 0},
      {"UTF-16", Utf16Le("##QEB-Text\t121122\r\n"), 5, 20121122, 0, 0, 0},
      {"XML", "<?xml version=\"1.0\"?>\n<QEB-xml>\n", 11, 0, 0, 0, 0},
      {"XML root in any case", "\n<qeb-XML>\n", 11, 0, 0, 0, 0},
      {"SIE", "#FLAGGA 0\r\n#SIETYP 4\r\n", 12, 0, 0, 0, 0},
      {"SIE type on line 9", "a\rb\rc\rd\re\rf\rg\rh\r#SIETYP 4\r", 12, 0, 0, 0, 0},
      {"SIE words are exact", "#flagga 0\r\n#sietyp 4\r\n", 13, 0, 0, 0, 0},
      {"tag on line 10 within 511 bytes", nineLines + "##QEB-Text\t121122\r", 14, 0, 0, 0, 0},
      {"tag on line 10 beyond", nineLines + std::string(600, 'z') + "\r##QEB-Text\t121122\r", 13, 0,
       0, 0, 0},
      {"marker #Qbx", "text #Qbx text", 14, 0, 0, 0, 0},
      {"marker 13 Qbx", "text \x13Qbx text", 14, 0, 0, 0, 0},
      {"plain text", "Account\tAmount\r\n1910\t12.50\r\n", 13, 0, 0, 0, 0},
      {"empty", "", 13, 0, 0, 0, 0},
      {"missing", "<missing>", 13, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const std::string path = Path("detect.dat");
    FileDelete(path.c_str());
    if (c.content != "<missing>") WriteWholeFile(path, c.content);
    FileKindInfo info;
    info.newer = 7;  // cleared by detection
    DetectFileKind(&info, path.c_str());
    EXPECT_EQ(info.kind, c.kind) << c.what;
    EXPECT_EQ(info.fileDate, c.date) << c.what;
    EXPECT_EQ(info.newer, c.newer) << c.what;
    EXPECT_EQ(info.compressed, c.compressed) << c.what;
    EXPECT_EQ(info.passwordMark, c.mark) << c.what;
    EXPECT_FALSE(AbortRequested()) << c.what;  // detection reports nothing
  }
  // A pending error of the caller survives detection.
  PendingErrorSet(600);
  FileKindInfo info;
  DetectFileKind(&info, Path("missing.dat").c_str());
  EXPECT_EQ(PendingError.request.message, 600);
}

TEST(FileKindTexts, FileDatesAndVersionLabels) {
  const struct {
    const char* text;
    int32_t date;
  } dates[] = {{"121122", 20121122}, {" \t961213x", 19961213},
               {"890101", 19890101}, {"881231", 20881231},
               {"991231", 19991231}, {"000000", 0},
               {"-12345", 0},        {"", 0},
               {"12", 20000012}};
  for (const auto& d : dates) EXPECT_EQ(ParseFileDate(d.text), d.date) << d.text;

  const struct {
    int32_t date;
    const char* label;
  } labels[] = {{20121122, "QEB 5.6"}, {20121121, "QEB 5.4"}, {20080813, "QEB 5.4"},
                {20080812, "QEB 5.3"}, {20051004, "QEB 5.3"}, {20041020, "QEB 5.2"},
                {20041019, "QEB 5.0"}, {20001219, "QEB 5.0"}, {19981105, "QEB 4.1"},
                {19981104, "QEB 4.0"}, {1, "QEB 4.0"},        {0, "kept"},
                {-5, "kept"}};
  for (const auto& l : labels) {
    T_TextBuf text("kept");
    VersionNameForDate(&text, l.date);
    EXPECT_STREQ(text.c_str(), l.label) << l.date;
  }
}

TEST(FileKindTexts, SaveTargetsByExtension) {
  const struct {
    int32_t kind, compression;
    const char* path;
    int32_t newKind, newCompression;
  } cases[] = {{5, 0, "C:\\d\\a.QEB", 1, 1}, {2, 0, "a.qeb", 2, 0},  {3, 0, "a.qeb", 1, 1},
               {1, 1, "a.qex", 5, 1},        {12, 0, "a.Qex", 5, 0}, {5, 0, "a.txt", 5, 0},
               {1, 0, "C:\\d.qeb\\a", 1, 0}};
  for (const auto& c : cases) {
    SaveOptions options;
    options.kind = c.kind;
    options.compressed = c.compression;
    FileKindFromExtension(&options, c.path);
    EXPECT_EQ(options.kind, c.newKind) << c.path;
    EXPECT_EQ(options.compressed, c.newCompression) << c.path;
  }
}

TEST_F(FileKinds, RefusalMessagesByKind) {
  auto* base = new T_Base(nullptr, 0);
  int setupStandIn = 0;
  const auto* setup = reinterpret_cast<const ImportSetup*>(&setupStandIn);
  const struct {
    int32_t kind;
    int32_t withoutSetup, withSetup;
  } cases[] = {{0, 0, 0},  {1, 0, 0},  {4, 0, 0},       {5, 0, 0},
               {6, 0, 0},  {7, 0, 0},  {8, 3806, 3806}, {9, 3808, 3808},
               {11, 0, 0}, {12, 0, 0}, {13, 3813, 0},   {14, 3811, 3811}};
  for (const auto& c : cases) {
    base->fileKind = c.kind;
    EXPECT_EQ(FileKindMessage(base, nullptr), c.withoutSetup) << c.kind;
    EXPECT_EQ(FileKindMessage(base, setup), c.withSetup) << c.kind;
    EXPECT_EQ(IsDatabaseFileKind(c.kind), c.kind != 0 && c.kind != 13) << c.kind;
  }
  delete base;
}

}  // namespace
