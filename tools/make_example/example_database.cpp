#include "tools/make_example/example_database.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/packed_date.h"
#include "core/system_info.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/block_container.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "database/dimension_options.h"
#include "database/lines.h"
#include "database/save_options.h"
#include "database/saving.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "database/time_scale.h"

namespace {

// The books are those of a coffee, tea and chocolate trader with shops in three cities.
struct Entry {
  const char* code;
  const char* text;
};

// Each list is in code order, so every parent (the longest code that is a prefix of a code)
// comes before its children.
constexpr Entry kAccounts[] = {
    {"1", "Tillgångar"},
    {"15", "Kundfordringar"},
    {"1510", "Kundfordringar"},
    {"19", "Kassa och bank"},
    {"1910", "Kassa"},
    {"1930", "Företagskonto"},
    {"2", "Eget kapital och skulder"},
    {"24", "Leverantörsskulder"},
    {"2440", "Leverantörsskulder"},
    {"26", "Moms"},
    {"2611", "Utgående moms 25 %"},
    {"2641", "Ingående moms"},
    {"3", "Rörelsens inkomster"},
    {"30", "Försäljning"},
    {"3010", "Försäljning varor"},
    {"3040", "Försäljning tjänster"},
    {"4", "Varuinköp"},
    {"40", "Inköp av varor"},
    {"4010", "Inköp varor"},
    {"5", "Lokal och inventarier"},
    {"50", "Lokalkostnader"},
    {"5010", "Lokalhyra"},
    {"54", "Förbrukningsinventarier"},
    {"5410", "Förbrukningsinventarier"},
    {"6", "Övriga externa kostnader"},
    {"62", "Tele och post"},
    {"6211", "Telefon"},
    {"65", "Övriga tjänster"},
    {"6540", "IT-tjänster"},
};

constexpr Entry kDepartments[] = {
    {"A", "Administration"},
    {"A1", "Ekonomi"},
    {"A2", "Inköp och logistik"},
    {"G", "Göteborg"},
    {"G1", "Butik Haga"},
    {"G2", "Kafé Järntorget"},
    {"M", "Malmö"},
    {"M1", "Butik Möllevången"},
    {"S", "Stockholm"},
    {"S1", "Butik Södermalm"},
    {"S2", "Lager Årsta"},
};
constexpr const char* kShops[] = {"S1", "G1", "G2", "M1"};

constexpr Entry kProjects[] = {
    {"21", "Projekt 2021"},      {"2101", "Webbutik"},
    {"2102", "Ny förpackning"},  {"22", "Projekt 2022"},
    {"2201", "Mässan i Köln"},   {"2202", "Rosteri i Årsta"},
    {"23", "Projekt 2023"},      {"2301", "Hållbarhetsmärkning"},
    {"2302", "Kafé Järntorget"}, {"24", "Projekt 2024"},
    {"2401", "Crème-serien"},    {"2402", "Ny kassalösning"},
    {"25", "Projekt 2025"},      {"2501", "Export till Norge"},
    {"2502", "Lager i Malmö"},   {"26", "Projekt 2026"},
    {"2601", "Jubileum 10 år"},  {"2602", "Sortiment för hotell"},
};

struct Product {
  const char* code;
  const char* text;
  int32_t price;  // öre, without VAT
};
constexpr Entry kProductGroups[] = {
    {"C", "Choklad"}, {"K", "Kaffe"}, {"T", "Te"}, {"X", "Tillbehör"}};
constexpr Product kProducts[] = {
    {"C10", "Mörk choklad 70 %", 3900},
    {"C11", "Mjölkchoklad hasselnöt", 3500},
    {"C12", "Varm choklad 400 g", 5900},
    {"K10", "Bryggkaffe mellanrost 500 g", 7900},
    {"K11", "Espresso mörkrost 250 g", 6400},
    {"K12", "Kaffebönor Etiopien 1 kg", 18900},
    {"T10", "Grönt te sencha", 8900},
    {"T11", "Earl Grey 100 g", 5900},
    {"T12", "Rooibos vanilj", 4900},
    {"X10", "Kaffefilter nr 4", 2500},
    {"X11", "Termos 1 l", 24900},
    {"X12", "Presentkartong", 1900},
};

constexpr Entry kMarkets[] = {{"DE", "Tyskland"},  {"DK", "Danmark"}, {"FI", "Finland"},
                              {"FR", "Frankrike"}, {"NO", "Norge"},   {"SE", "Sverige"}};
constexpr Entry kCustomers[] = {
    {"DE01", "Müller GmbH"},        {"DE02", "Bäckerei Groß"}, {"DK01", "Kaffebar Århus"},
    {"FI01", "Kahvila Käpylä"},     {"FR01", "Crème & Café"},  {"FR02", "Pâtisserie Noël"},
    {"NO01", "Kaffebrenneriet Ås"}, {"NO02", "Bakeri Tromsø"}, {"SE01", "Café Åkerlund"},
    {"SE02", "Bageri Östermalm"},   {"SE03", "Hotell Älvsjö"}, {"SE04", "Konditori Götgatan"},
    {"SE05", "Lunchbaren i Umeå"},
};

struct Expense {
  const char* account;
  const char* title;
  const char* department;
  int32_t amount;  // öre, without VAT
};
constexpr Expense kExpenses[] = {
    {"5010", "Lokalhyra", "A1", 1850000},
    {"6211", "Telefoni", "A1", 89000},
    {"6540", "IT-tjänster", "A1", 420000},
    {"5410", "Förbrukningsmaterial", "S2", 125000},
};
constexpr const char* kSuppliers[] = {"Kaffeimport AB", "Teahouse Ltd", "Chocolaterie Brügge",
                                      "Förpackning Nord AB"};
constexpr const char* kMonths[] = {"januari",   "februari", "mars",     "april",
                                   "maj",       "juni",     "juli",     "augusti",
                                   "september", "oktober",  "november", "december"};
constexpr const char* kSignatures[] = {"AK", "EM", "JL"};

constexpr int32_t kCards = 2400;
constexpr int32_t kFirstYear = 2021;
constexpr int32_t kLastYear = 2026;
constexpr int32_t kValueCount = 3;  // Belopp, Antal, Moms

// The machine the example is written on, and when.
constexpr SystemIdentity kExampleMachine = {16, "QEB-EXEMPEL", "exempel"};
constexpr ContainerSeeds kExampleSeeds = {{0x51EB0001u, 0x51EB0002u, 0x51EB0003u},
                                          {0x51EB0004u, 0x51EB0005u, 0x51EB0006u}};

DateRecord ExampleNow() {
  DateRecord now;
  now.year = 2026;
  now.month = 1;
  now.day = 15;
  now.hour = 9;
  now.precision = 5;
  return now;
}

// xorshift32 from the example's one seed.
class Random {
 public:
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint32_t>(n)); }

 private:
  uint32_t state_ = 20210101u;
};

template <size_t N>
void AddAll(T_Base* base, int32_t dimension, const Entry (&entries)[N]) {
  for (const Entry& entry : entries) AddComponent(base, dimension, entry.code, entry.text, nullptr);
}

void Name(T_Base* base, int32_t dimension, const char* singular, const char* plural) {
  SetSingular(base->dimensions[dimension], singular);
  SetPlural(base->dimensions[dimension], plural);
}

int64_t Component(T_Base* base, int32_t dimension, const char* code) {
  ComponentRecord* component = code != nullptr ? FindByCode(base, dimension, code) : nullptr;
  return component != nullptr ? component->number : dimension;
}

// One card being made: its groups by account, its lines with their values and components.
class CardMaker {
 public:
  CardMaker(T_Base* base, CardRecord* card) : base_(base), card_(card) {}

  // Belopp and Moms in öre; components of dimensions 1 to 4 (department, project, product,
  // customer) by code, null for none.
  void Line(const char* account, const char* text, int64_t amount, int32_t quantity, int64_t vat,
            const char* department, const char* project, const char* product,
            const char* customer) {
    GroupRecord* group = base_->FindOrAddGroup(card_, Component(base_, 0, account));
    LineRecord* line = group != nullptr ? CreateLine(base_, group) : nullptr;
    if (line == nullptr) return;
    SetLineText(line, text);
    const double values[kValueCount] = {amount / 100.0, static_cast<double>(quantity), vat / 100.0};
    for (int32_t column = 0; column < kValueCount; ++column)
      base_->SetLineValue(line, column, values[column]);
    const char* codes[] = {department, project, product, customer};
    for (int32_t slot = 0; slot < 4; ++slot)
      base_->SetLineComponent(line, slot, Component(base_, slot + 1, codes[slot]));
  }

 private:
  T_Base* base_;
  CardRecord* card_;
};

const char* ProjectOfYear(Random* random, int32_t year) {
  static char code[8];
  if (random->Below(3) != 0) return nullptr;
  std::snprintf(code, sizeof code, "%02d%02d", year % 100, 1 + random->Below(2));
  return code;
}

int64_t VatOf(int64_t net) { return (net + 2) / 4; }  // 25 %, rounded to the öre

void MakeSale(T_Base* base, CardRecord* card, Random* random, int32_t number, int32_t year) {
  const Entry& customer = kCustomers[random->Below(13)];
  const char* shop = kShops[random->Below(4)];
  const char* project = ProjectOfYear(random, year);
  // Customers abroad pay no Swedish VAT: their cards have two groups.
  const bool domestic = customer.code[0] == 'S';
  char title[96];
  std::snprintf(title, sizeof title, "Faktura %d %s", number, customer.text);
  SetCardTitle(card, title);
  CardMaker maker(base, card);
  int64_t net = 0;
  int64_t vat = 0;
  const int32_t products = 1 + random->Below(3);
  for (int32_t i = 0; i < products; ++i) {
    const Product& product = kProducts[random->Below(12)];
    const int32_t quantity = 1 + random->Below(40);
    const int64_t lineNet = static_cast<int64_t>(quantity) * product.price;
    const int64_t lineVat = domestic ? VatOf(lineNet) : 0;
    net += lineNet;
    vat += lineVat;
    maker.Line("3010", product.text, -lineNet, quantity, -lineVat, shop, project, product.code,
               customer.code);
  }
  if (domestic) maker.Line("2611", "Utgående moms", -vat, 0, 0, shop, nullptr, nullptr, nullptr);
  maker.Line("1510", customer.text, net + vat, 0, vat, shop, nullptr, nullptr, customer.code);
}

void MakePurchase(T_Base* base, CardRecord* card, Random* random, int32_t number) {
  const char* supplier = kSuppliers[random->Below(4)];
  char title[96];
  std::snprintf(title, sizeof title, "Leverantörsfaktura %d %s", number, supplier);
  SetCardTitle(card, title);
  CardMaker maker(base, card);
  int64_t net = 0;
  const int32_t products = 1 + random->Below(2);
  for (int32_t i = 0; i < products; ++i) {
    const Product& product = kProducts[random->Below(12)];
    const int32_t quantity = 20 * (1 + random->Below(10));
    const int64_t lineNet = static_cast<int64_t>(quantity) * product.price * 55 / 100;
    net += lineNet;
    maker.Line("4010", product.text, lineNet, quantity, VatOf(lineNet), "S2", nullptr, product.code,
               nullptr);
  }
  maker.Line("2641", "Ingående moms", VatOf(net), 0, 0, "A2", nullptr, nullptr, nullptr);
  maker.Line("2440", supplier, -(net + VatOf(net)), 0, 0, "A2", nullptr, nullptr, nullptr);
}

void MakeExpense(T_Base* base, CardRecord* card, Random* random, PackedDate date) {
  const Expense& expense = kExpenses[random->Below(4)];
  char title[96];
  std::snprintf(title, sizeof title, "%s %s %d", expense.title, kMonths[PackedDateMonth(date) - 1],
                PackedDateYear(date));
  SetCardTitle(card, title);
  CardMaker maker(base, card);
  const int64_t net = expense.amount + 100 * random->Below(50);
  maker.Line(expense.account, expense.title, net, 0, VatOf(net), expense.department, nullptr,
             nullptr, nullptr);
  maker.Line("2641", "Ingående moms", VatOf(net), 0, 0, "A1", nullptr, nullptr, nullptr);
  maker.Line("1930", "Betalning", -(net + VatOf(net)), 0, 0, "A1", nullptr, nullptr, nullptr);
}

// One group: the day's cash counted into the bank.
void MakeCashCount(T_Base* base, CardRecord* card, Random* random) {
  SetCardTitle(card, "Kassaavstämning och insättning");
  CardMaker maker(base, card);
  const int64_t cash = 100 * (500 + random->Below(5000));
  const char* shop = kShops[random->Below(4)];
  maker.Line("1910", "Kassa enligt räkning", cash, 0, 0, shop, nullptr, nullptr, nullptr);
  maker.Line("1910", "Insatt på företagskontot", -cash, 0, 0, shop, nullptr, nullptr, nullptr);
}

SignatureStamp StampOf(PackedDate date, int32_t hour, int32_t minute, const char* signature) {
  SignatureStamp stamp;
  stamp.stamp =
      PackTimeStamp(PackedDateYear(date), PackedDateMonth(date), PackedDateDay(date), hour, minute);
  std::snprintf(stamp.signature, sizeof stamp.signature, "%s", signature);
  return stamp;
}

void MakeCards(T_Base* base) {
  Random random;
  const PackedDate first = PackDate(kFirstYear, 1, 1);
  const int32_t firstDay = PackedDateToDayNumber(first);
  const int32_t days = PackedDateToDayNumber(PackDate(kLastYear, 12, 31)) - firstDay + 1;
  int32_t invoice = 1000;
  int32_t supplierInvoice = 5000;
  for (int32_t i = 0; i < kCards; ++i) {
    const PackedDate date =
        dayNumberToDate(firstDay + static_cast<int32_t>(static_cast<int64_t>(i) * days / kCards));
    CardId id{date, 1};
    CardRecord* card = CreateCard(base, &id);
    if (card == nullptr) return;
    const int32_t kind = random.Below(20);
    if (kind < 12) {
      MakeSale(base, card, &random, ++invoice, PackedDateYear(date));
    } else if (kind < 17) {
      MakePurchase(base, card, &random, ++supplierInvoice);
    } else if (kind < 19) {
      MakeExpense(base, card, &random, date);
    } else {
      MakeCashCount(base, card, &random);
    }
    card->created = StampOf(date, 8 + random.Below(9), random.Below(60), kSignatures[i % 3]);
    if (i % 4 == 0) card->examined = StampOf(PackedDateNextDay(date), 10, 15, "EM");
    if (i % 8 == 0) card->approved = StampOf(PackedDateNextDay(date), 16, 40, "JL");
    if (i % 13 == 0) {
      SetCardNotes(card, "Betald i tid.\rAttesterad av Åsa Kvist,\tkontrollerad mot följesedel.");
      card->notesStamp = StampOf(date, 17, 5, "AK");
    }
  }
  base->NotifyCode(kChangeCards);
}

void MakeTimeScales(T_Base* base) {
  auto* quarters = new (std::nothrow) TimeScale(base, "Kvartal");
  auto* years = new (std::nothrow) TimeScale(base, "Räkenskapsår");
  if (quarters == nullptr || years == nullptr) return;
  char name[32];
  for (int32_t year = kFirstYear; year <= kLastYear; ++year) {
    CardId start{PackDate(year, 1, 1), 1};
    std::snprintf(name, sizeof name, "%d", year);
    TimeScaleAppendPeriod(years, &start, name);
    for (int32_t quarter = 0; quarter < 4; ++quarter) {
      start.date = PackDate(year, 1 + 3 * quarter, 1);
      std::snprintf(name, sizeof name, "%d kvartal %d", year, quarter + 1);
      TimeScaleAppendPeriod(quarters, &start, name);
    }
  }
}

// The sales lines in the table: the amount with its balance from before the period, the period's
// sum, the line count and interest on both sides; the diagram shows the running balance. The records are those the lines template
// writes for these settings, in its order, so the file is the same whether the lines template
// class is installed or its stand-in keeps them.
constexpr const char* kSalesLines =
    "BD1\t3010\r\n"
    "Q\tA\r\n"
    "D\t202\r\n"
    "d\t2\r\n"
    "P\tI,T,D2,L,VA,S\r\n"
    "H\tBP#\r\n"
    "+\t2.5\r\n"
    "-\t8\r\n"
    "IL\r\n"
    "S1I\tCA\tDN\tTA\tVD\r\n"
    "xtna\r\n"
    "xtg+\r\n";

// The "Cards" folder: every card with its groups and lines, and one month newest first with the
// lines of each group by amount, the notes and the signatures. Record text, as the cards
// template writes it, for the same reason as the sales lines.
constexpr const char* kAllCards =
    "P\tI,P,T,D1,D2,L,VA,VB,VC,D3,D4,D5\r\n"
    "D\t202\r\n"
    "Y\tS\r\n"
    "Q1I\tCA\tDN\tTA\tVD\r\n"
    "xtna\r\n";
constexpr const char* kOneMonth =
    "BC\t260301\t260331\r\n"
    "P\tI,P,T,D1,D2,L,VA,N,S\r\n"
    "D\t202\r\n"
    "GC\r\n"
    "Y\tS\r\n"
    "Q1P\tCD\tDN\tTA\tVD\r\n"
    "Q2VA\tCA\tDN\tTA\tVD\r\n"
    "xtna\r\n";

// Two components templates exporting XML: the accounts with two decimals, and the
// departments under each account, both in use, accounts to two levels. The records are those the
// components template writes for these settings, in its order.
constexpr const char* kAccountsComponents =
    "xex\r\n"
    "F\tA\r\n"
    "D\t2\r\n"
    "P\t1\r\n"
    "K\tHAAB--\r\n"
    "R\tS\r\n"
    "%I\r\n"
    "ZC\r\n"
    "ZD\r\n"
    "QB\tVsnrb\t\t2\r\n"
    "QN\tvsnrb\t\t2\r\n"
    "QP\tvsnrb\t\t2\r\n"
    "QR\tVsnrB\t\t2\r\n"
    "Q%\tvsnrb\t\t2\r\n"
    "QK\tVsnrb\t\t2\r\n"
    "QC\tVsnrb\t\t2\r\n"
    "QE\tVsnrb\t\t2\r\n"
    "QA\tvsnrb\t\t2\r\n"
    "QT\tvsnrb\t\t2\r\n"
    "xtna\r\n";
constexpr const char* kDepartmentsByAccount =
    "xex\r\n"
    "F\tA\r\n"
    "D\t2\r\n"
    "P\t1\t2\r\n"
    "K\tHU2B--\tHUAU--\r\n"
    "R\tS\r\n"
    "%I\r\n"
    "ZC\r\n"
    "ZD\r\n"
    "QB\tvsnrb\t\t2\r\n"
    "QN\tvsnrb\t\t2\r\n"
    "QP\tvsnrb\t\t2\r\n"
    "QR\tVsnrB\t\t2\r\n"
    "Q%\tvsnrb\t\t1\r\n"
    "QK\tvsnrb\t\t2\r\n"
    "QC\tVsnrb\t\t2\r\n"
    "QE\tvsnrb\t\t2\r\n"
    "QA\tvsnrb\t\t2\r\n"
    "QT\tvsnrb\t\t2\r\n"
    "xtna\r\n";

// Monthly sales (account 3010) beside the same month a year before and their difference. The
// records are those the time functions template writes for these settings, in its order.
constexpr const char* kMonthlySales =
    "VN\tUtfall\r\n"
    "VD1\t3010\r\n"
    "VF\tA\r\n"
    "VM\tSP\r\n"
    "VZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "VN\tIfjol\r\n"
    "VD1\t3010\r\n"
    "VF\tA\r\n"
    "VM\tSP\r\n"
    "VT\tY+\r\n"
    "VZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "FN\tSkillnad\r\n"
    "FF\tUtfall-Ifjol\r\n"
    "FG\tL\r\n"
    "FZ\tD0\tC2\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "PL\tM\r\n"
    "xtna\r\n"
    "xtg+\r\n";

// Sales, purchases and their margin per quarter of the "Kvartal" time scale: the sales as
// booked (credit, so negative) and the purchases stay hidden, and three formulas show income and
// costs as bars and the margin as a line.
constexpr const char* kQuarterlyMargin =
    "VN\tForsaljning\tFörsäljning\r\n"
    "VD1\t30\r\n"
    "VF\tA\r\n"
    "VM\tSP\r\n"
    "VZ\tD2\tCU\tw1\tV-\tB-\tN-\tR-\tS+\r\n"
    "VN\tInkop\tInköp\r\n"
    "VD1\t40\r\n"
    "VF\tA\r\n"
    "VM\tSP\r\n"
    "VZ\tD2\tCM\tw1\tV-\tB-\tN-\tR-\tS+\r\n"
    "FN\tIntakter\tIntäkter\r\n"
    "FF\t-Forsaljning\r\n"
    "FG\tB\r\n"
    "FZ\tD2\tCU\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "FN\tKostnader\tVaruinköp\r\n"
    "FF\tInkop\r\n"
    "FG\tB\r\n"
    "FZ\tD2\tCM\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "FN\tMarginal\r\n"
    "FF\tIntakter-Kostnader\r\n"
    "FG\tL\r\n"
    "FZ\tD2\tCG\tw1\tV+\tB+\tN-\tR+\tS+\r\n"
    "PX\tKvartal\r\n"
    "WL\r\n"
    "xtna\r\n"
    "xtg+\r\n";

// Each shop's sales per quarter as bars and the company's as a line. The sales are credit: hidden
// selections take them as booked and formulas turn them round.
constexpr const char* kSalesByShop =
    "VN\tS1\r\nVD1\t30\r\nVD2\tS1\r\nVF\tA\r\nVM\tSP\r\n"
    "VZ\tD0\tCU\tw1\tV-\tB-\tN-\tR-\tS+\r\n"
    "VN\tG1\r\nVD1\t30\r\nVD2\tG1\r\nVF\tA\r\nVM\tSP\r\n"
    "VZ\tD0\tCM\tw1\tV-\tB-\tN-\tR-\tS+\r\n"
    "VN\tG2\r\nVD1\t30\r\nVD2\tG2\r\nVF\tA\r\nVM\tSP\r\n"
    "VZ\tD0\tCC\tw1\tV-\tB-\tN-\tR-\tS+\r\n"
    "VN\tM1\r\nVD1\t30\r\nVD2\tM1\r\nVF\tA\r\nVM\tSP\r\n"
    "VZ\tD0\tCR\tw1\tV-\tB-\tN-\tR-\tS+\r\n"
    "FN\tSodermalm\tSödermalm\r\nFF\t-S1\r\nFG\tB\r\n"
    "FZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "FN\tHaga\r\nFF\t-G1\r\nFG\tB\r\n"
    "FZ\tD0\tCM\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "FN\tJarntorget\tJärntorget\r\nFF\t-G2\r\nFG\tB\r\n"
    "FZ\tD0\tCC\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "FN\tMollevangen\tMöllevången\r\nFF\t-M1\r\nFG\tB\r\n"
    "FZ\tD0\tCR\tw1\tV+\tB-\tN-\tR-\tS+\r\n"
    "PX\tKvartal\r\n"
    "WL\r\n"
    "xtna\r\n"
    "xtg+\r\n";

// A component functions template over the accounts exporting XML: in mode "C" the line, card and
// component counts, the sum, the average, the maximum and the minimum (each cell the node's
// total), the sum again from the start (each cell the running value at the node), and the sum per
// line of every node with lines added up the tree ("Sum of lower levels"). Its variables name no
// colour: each takes the one its predecessors use least.
constexpr const char* kAccountFunctions =
    "xex\r\n"
    "VN\tRader\tAntal rader\r\nVF\tA\r\nVM\tCC\r\nVZ\tD0\tcS\r\n"
    "VN\tVerifikationer\r\nVF\tA\r\nVM\tKC\r\nVZ\tD0\tcS\r\n"
    "VN\tKomponenter\r\nVF\tA\r\nVM\tcC\r\nVZ\tD0\tcS\r\n"
    "VN\tSumma\r\nVF\tA\r\nVZ\tD2\tcS\r\n"
    "VN\tMedel\tMedelvärde\r\nVF\tA\r\nVM\tAC\r\nVZ\tD2\tcS\r\n"
    "VN\tMax\tStörsta\r\nVF\tA\r\nVM\tMC\r\nVZ\tD2\tcS\r\n"
    "VN\tMin\tMinsta\r\nVF\tA\r\nVM\tNC\r\nVZ\tD2\tcS\r\n"
    "VN\tLopande\tLöpande summa\r\nVF\tA\r\nVM\tSS\r\nVZ\tD2\tcD\r\n"
    "FN\tPerRad\tSumma per rad\r\nFF\tSumma/Summa#\r\nFS\tA\r\nFZ\tD2\tcS\r\n"
    "PD\t1\r\n"
    "K\tHAAB--\r\n"
    "R\tS\r\n"
    "xtna\r\n";

// Sales, purchases and the margin between them per product, as bars either side of zero in the
// curve view: the sales are credit, so their bars point left.
constexpr const char* kProductMargins =
    "VN\tForsaljning\tFörsäljning\r\nVD1\t3010\r\nVF\tA\r\nVZ\tD2\tCU\tcS\r\n"
    "VN\tInkop\tInköp\r\nVD1\t4010\r\nVF\tA\r\nVZ\tD2\tCM\tcS\r\n"
    "FN\tMarginal\r\nFF\t-Forsaljning-Inkop\r\nFZ\tD2\tCG\tcS\r\n"
    "PD\t4\r\n"
    "K\tHAAB--\r\n"
    "R\tS\r\n"
    "WR\r\n"
    "xtna\r\n";

// Sales per product group as a pie, wide enough to show it beside the table: the sales are
// credit, so the pie is the negative one. Each group shows its total also when it is expanded.
constexpr const char* kSalesByProductGroup =
    "xS\t400\t720\r\n"
    "BD1\t3010\r\n"
    "F\tA\r\n"
    "D\t2\r\n"
    "P\t4\r\n"
    "K\tHAAB--\r\n"
    "R\tS\r\n"
    "%I\r\n"
    "WP\r\n"
    "ZS\r\n"
    "QR\tVSnrB\t\t2\r\n"
    "QK\tVSnrb\t\t0\r\n"
    "QC\tVSnrb\t\t0\r\n"
    "xtna\r\n";

// Reads record lines into a template after the ones it has, as a file read would.
void ReadFurtherRecords(T_Template* templ, const char* records) {
  T_IStream stream;
  stream.CtorFromMemory(records, static_cast<int64_t>(std::strlen(records)));
  while (stream.NextLine()) templ->ReadRecord(&stream);
  templ->BeginRead();
}

// A few analysis templates in folders, as the bookkeeper keeps them, at least one of each kind;
// each calculates when it opens.
void MakeTemplates(T_Base* base) {
  const struct {
    int32_t kind;
    const char* path;
    const char* notes;
    const char* records = nullptr;
    bool openAtStart = false;
  } templates[] = {
      {kTemplateCards, "Verifikationer: Alla verifikationer", "Alla verifikationer i datumordning",
       kAllCards},
      {kTemplateCards, "Verifikationer: Mars 2026", "Mars 2026, senaste först", kOneMonth},
      {kTemplateLines, "Rader: Försäljning varor", "Konto 3010 med löpande saldo", kSalesLines},
      {kTemplateComponents, "Komponenter: Kontoplan", "Saldo per konto", kAccountsComponents},
      {kTemplateComponents, "Komponenter: Avdelningar per konto", nullptr, kDepartmentsByAccount},
      {kTemplateComponents, "Komponenter: Försäljning per produktgrupp", nullptr,
       kSalesByProductGroup},
      {kTemplateComponentFunctions, "Komponentfunktioner: Konton", nullptr, kAccountFunctions},
      {kTemplateComponentFunctions, "Komponentfunktioner: Marginal per produkt",
       "Försäljning, inköp och marginal per produkt", kProductMargins},
      {kTemplateTimeFunctions, "Tidsfunktioner: Försäljning per månad", nullptr, kMonthlySales},
      {kTemplateTimeFunctions, "Tidsfunktioner: Marginal per kvartal", nullptr, kQuarterlyMargin},
      {kTemplateTimeFunctions, "Tidsfunktioner: Försäljning per butik", nullptr, kSalesByShop},
  };
  for (const auto& stored : templates) {
    T_Template* templ = NewTemplate(base, stored.kind);
    if (templ == nullptr) continue;
    if (T_BoxTmpl* box = AsBoxTemplate(templ)) {
      box->calcDirect = 1;
      if (stored.notes != nullptr) box->SetParameter("notestext", stored.notes);
      // One chart opens with the database, beside its window, so that a new user sees at once
      // what the program shows.
      if (stored.openAtStart) {
        box->openDirect = 1;
        box->left = 0;
        box->top = 110;  // below the database window
        box->right = 756;  // the width
        box->bottom = 418;  // the height
      }
    }
    if (stored.records != nullptr) ReadFurtherRecords(templ, stored.records);
    if (!StoreTemplate(base, templ, stored.path)) DeleteTemplate(templ);
  }
}

}  // namespace

T_Base* BuildExampleDatabase() {
  auto* base = new (std::nothrow) T_Base(nullptr, 0);
  if (base == nullptr) return nullptr;
  Name(base, 0, "Konto", "Konton");
  Name(base, 1, "Avdelning", "Avdelningar");
  Name(base, 2, "Projekt", "Projekt");
  Name(base, 3, "Produkt", "Produkter");
  Name(base, 4, "Kund", "Kunder");
  AddAll(base, 0, kAccounts);
  AddAll(base, 1, kDepartments);
  AddAll(base, 2, kProjects);
  AddAll(base, 3, kProductGroups);
  for (const Product& product : kProducts)
    AddComponent(base, 3, product.code, product.text, nullptr);
  AddAll(base, 4, kMarkets);
  AddAll(base, 4, kCustomers);

  SetValueCount(base, kValueCount);
  base->SetValueName(0, "Belopp");
  base->SetValueName(1, "Antal");
  base->SetValueName(2, "Moms");
  base->SetDecimalsCode(1, 0);
  base->SetCardTitleLabel("Verifikationstext");
  base->SetLineTextLabel("Radtext");
  base->SetReferenceDateText("261231");
  MakeTimeScales(base);
  MakeCards(base);
  MakeTemplates(base);
  base->SetModified(false);
  return base;
}

ExampleCounts CountExample(T_Base* base) {
  ExampleCounts counts;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (CountDimensionComponents(base, d) > 0) ++counts.dimensions;
  }
  counts.components = CountComponentsInUse(base);
  counts.cards = base->cardCount;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    for (GroupRecord* group = card->firstGroup; group != nullptr; group = group->next) {
      for (LineRecord* line = group->firstLine; line != nullptr; line = line->next) {
        ++counts.lines;
        counts.amount += base->GetLineValue(line, 0);
        counts.quantity += base->GetLineValue(line, 1);
      }
    }
  }
  return counts;
}

bool WriteExampleFiles(const char* folder) {
  SetSystemIdentity(&kExampleMachine);
  SetClockSource(ExampleNow);
  SetFixedContainerSeeds(&kExampleSeeds);
  bool written = false;
  if (T_Base* base = BuildExampleDatabase()) {
    written = true;
    for (int32_t kind : {kSaveKindContainer, kSaveKindText}) {
      T_TextBuf path(folder);
      TextBufAppend(&path, kind == kSaveKindText ? "\\Example.qex" : "\\Example.qeb");
      SaveOptions options;
      SaveOptionsInit(&options, base);
      SaveOptionsFromBase(&options, base);
      options.kind = kind;
      written = saveByKind(base, path.c_str(), &options) && written;
      SaveOptionsFree(&options);
    }
    delete base;
  }
  SetFixedContainerSeeds(nullptr);
  SetClockSource(nullptr);
  SetSystemIdentity(nullptr);
  return written;
}
