// The fixed-vocabulary choosers: their item lists, the mappings between items and values, and
// the decimals chooser's "Floating" item that comes and goes with its use.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/value_format.h"
#include "dialog_fixture.h"
#include "ui/value_choosers.h"

namespace dialogs_test {
namespace {

// A dialog that records the choices that climb to it.
class T_ChoiceDialog : public T_HDialog {
 public:
  T_ChoiceDialog() : T_HDialog(300, 200, nullptr, nullptr) {}
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override {
    if (record->code == kChooserChosen) chosen.push_back(record->index);
    T_HDialog::OnChooserEvent(chooser, record);
  }
  std::vector<int64_t> chosen;
};

std::vector<std::string> Items(T_Chooser* chooser) {
  std::vector<std::string> items;
  for (int64_t i = 0; i < chooser->count; ++i) {
    ChooserEvent record;
    chooser->DescribeItem(i, &record);
    items.push_back(record.text ? record.text : "-");
  }
  return items;
}

std::string Title(T_Chooser* chooser) { return chooser->title.shown ? chooser->title.shown : ""; }

constexpr XYWH kRect{10, 10, 200, 15};

using ValueChooserTest = DialogTest;

TEST_F(ValueChooserTest, ItemListsAndTitles) {
  T_ChoiceDialog dialog;
  struct Case {
    T_Chooser* chooser;
    std::vector<std::string> items;
    std::string title;
    int64_t current;
  } cases[] = {
      {new T_ChooseEncoding(&dialog, kRect, 1, kEncodingSystemPage),
       {"UTF-8", "UTF-16 LE", "UTF-16 BE", "-", "System Codepage", "Macintosh Roman",
        "Macintosh Roman CE", "Windows Latin 1", "Windows Latin 2", "PC DOS OEM"},
       "",
       4},
      {new T_ChooseDecs(&dialog, kRect, 2, 0, 3),
       {" 0 ", " 1 ", " 2 ", " 3 ", " 4 ", " 5 ", " 6 "},
       "",
       3},
      {new T_ChooseDecs(&dialog, kRect, 3, T_ChooseDecs::kModeThousands, kDecimalsMillions),
       {"Millions", "Thousands", "-", " 0 ", " 1 ", " 2 ", " 3 ", " 4 ", " 5 ", " 6 "},
       "Decimals",
       0},
      {new T_ChooseDecs(&dialog, kRect, 4, 0, kDecimalsFloating),
       {" 0 ", " 1 ", " 2 ", " 3 ", " 4 ", " 5 ", " 6 ", "-", "Floating"},
       "",
       8},
      {new T_ChooseDecs(&dialog, kRect, 5, 0, kDecimalsThousands),
       {" 0 ", " 1 ", " 2 ", " 3 ", " 4 ", " 5 ", " 6 "},
       "",
       0},
      {new T_ChooseNegval(&dialog, kRect, 6, kSignParentheses),
       {"Normal", " x\xC2\xB1", " (x)"},
       "Negative",
       2},
      {new T_ChooseRedgreen(&dialog, kRect, 7, 1), {"Black", "Red/Black", "Red/Green"}, "Color", 1},
      {new T_ChooseDimstring(&dialog, kRect, 8, 4),
       {"Normal", "-", "QEB-Code", "HostCode", "Text", "QEB-Code Text", "HostCode Text",
        "QEB-Code HostCode", "QEB-Code HostCode Text"},
       "Dimension Text",
       6},
      {new T_ChooseDateformat(&dialog, kRect, 9, 5),
       {"yymmdd", "yyyy.mm.dd", "yyyy-mm-dd", "-", "dd.mm.yy", "dd.mm.yyyy", "d.m.yyyy", "-",
        "mm/dd/yy", "mm/dd/yyyy"},
       "Date",
       6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(AsItem(c.chooser)->id);
    EXPECT_EQ(Items(c.chooser), c.items);
    EXPECT_EQ(Title(c.chooser), c.title);
    EXPECT_EQ(c.chooser->current, c.current);
  }
}

TEST_F(ValueChooserTest, ItemsMapToValuesAndBack) {
  // Encodings: every encoding has an item that maps back; the separator gives -1.
  for (TextEncoding e = kEncodingUtf8; e <= kEncodingPc8; ++e)
    EXPECT_EQ(EncodingOfItem(ItemOfEncoding(e)), e);
  EXPECT_EQ(ItemOfEncoding(kEncodingSystemPage), 4);
  EXPECT_EQ(EncodingOfItem(3), -1);
  EXPECT_EQ(ItemOfEncoding(42), 0);
  // Date formats: text id - 1300, a separator 0.
  const int32_t formats[] = {0, 1, 2, 0, 3, 4, 5, 0, 6, 7};
  for (int64_t item = 0; item < 10; ++item)
    EXPECT_EQ(DateFormatOfChoice(item), formats[item]) << item;
  for (int32_t f = 0; f < 8; ++f) EXPECT_EQ(DateFormatOfChoice(DateFormatToItem(f)), f);
  EXPECT_EQ(DateFormatToItem(-1), 0);
  // Display strings: item 0 the dimension's own (-1), items 2-8 codes 0-6.
  for (int32_t code = -1; code <= 6; ++code)
    EXPECT_EQ(DimStringCodeOfItem(DimStringItemOfCode(code)), code);
  EXPECT_EQ(DimStringCodeOfItem(1), -1);
  EXPECT_EQ(DimStringItemOfCode(7), 0);
}

TEST_F(ValueChooserTest, ValueColours) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double nan = std::nan("");
  struct Case {
    double value;
    uint32_t black, redBlack, redGreen;
  } cases[] = {
      {-5.2e-7, 10, 13, 13}, {-5.1e-7, 10, 10, 10}, {0, 10, 10, 10},    {5.1e-7, 10, 10, 10},
      {5.2e-7, 10, 10, 19},  {-kInf, 10, 13, 13},   {kInf, 10, 10, 19}, {nan, 10, 10, 10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ValueColorIndex(c.value, kColourModeBlack), c.black) << c.value;
    EXPECT_EQ(ValueColorIndex(c.value, kColourModeRedBlack), c.redBlack) << c.value;
    EXPECT_EQ(ValueColorIndex(c.value, kColourModeRedGreen), c.redGreen) << c.value;
  }
}

TEST_F(ValueChooserTest, FloatingIsOfferedWhileInUse) {
  FakeBase base;
  base.columns = {"Amount", "Quantity", "Price"};
  base.decimals = {2, 0, 2};
  SetDatabaseOperations(&kFakeOperations);
  T_ChoiceDialog dialog;
  auto* decs = new T_ChooseDecs(&dialog, kRect, 1, T_ChooseDecs::kModeThousands, 2);
  EXPECT_EQ(decs->count, 10);
  decs->SelectCode(kDecimalsFloating);  // the current code uses it
  EXPECT_EQ(decs->count, 12);
  EXPECT_EQ(decs->SelectedCode(), kDecimalsFloating);
  decs->SelectCode(3);
  EXPECT_EQ(decs->count, 10);

  decs->SetColumns(base.base(), T_ChooseDecs::kAllColumns);
  EXPECT_EQ(decs->count, 10);
  base.decimals[2] = kDecimalsFloating;
  ChangeNote note;
  note.code = kChangeDecimals;
  note.database = base.base();
  dialog.OnChange(&note);  // reaches the chooser
  EXPECT_EQ(decs->count, 12);
  EXPECT_EQ(decs->SelectedCode(), 3);

  decs->SetColumns(base.base(), 0);  // only column 0 counts now
  EXPECT_EQ(decs->count, 10);
  FakeBase other;
  note.database = other.base();  // another database's note changes nothing
  decs->SetColumns(base.base(), 2);
  base.decimals[2] = 1;
  dialog.OnChange(&note);
  EXPECT_EQ(decs->count, 12);

  // A choice climbs to the parent.
  decs->SetSelection(0, kSelectReport);
  EXPECT_EQ(dialog.chosen, std::vector<int64_t>{0});
  EXPECT_EQ(decs->SelectedCode(), kDecimalsMillions);
}

TEST_F(ValueChooserTest, ValueColumnsFollowTheDatabase) {
  FakeBase base;
  base.columns = {"Amount", "Quantity"};
  base.decimals = {2, 0};
  SetDatabaseOperations(&kFakeOperations);
  T_ChoiceDialog dialog;
  auto* values = new T_ChooseValue(&dialog, kRect, 1, base.base(), 1);
  EXPECT_EQ(Items(values), (std::vector<std::string>{"Amount", "Quantity"}));
  EXPECT_EQ(values->current, 1);

  base.columns.push_back("Price");
  base.decimals.push_back(2);
  ChangeNote note;
  note.code = kChangeValueColumns;
  note.database = base.base();
  dialog.OnChange(&note);
  EXPECT_EQ(Items(values), (std::vector<std::string>{"Amount", "Quantity", "Price"}));

  auto* none = new T_ChooseValue(&dialog, kRect, 2, nullptr, 3);  // no database: no columns
  EXPECT_EQ(none->count, 0);
}

}  // namespace
}  // namespace dialogs_test
