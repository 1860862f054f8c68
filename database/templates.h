#pragma once
// Analysis templates. A T_Template is the stored description of one analysis window and a node
// of its database's template tree; T_BoxTmpl adds what every box (grid) window keeps: geometry,
// header sizes, opening behaviour, view and grid modes, its stored subsets, notes, and the
// export and print options. The window templates of the analysis windows derive from T_BoxTmpl
// and add their own records; until a window's issue installs its class, the template factory
// makes a stand-in (template_runner.h) that keeps those records as they were read.
//
// Record text of a template (inside "##Templates" and "##Defaults"):
//
//   line              fields                         meaning
//   template line     "#" + kind letter, path        starts the template (T_Template::WriteText)
//   record lines      key, values                    up to the next line beginning with "#"
//
// Kind letters: "C" 1 cards, "L" 2 lines, "P" 3 components, "T" 4 time functions, "R" 5
// component functions, "S" 6, "K" 10 card. T_BoxTmpl's records, in their write order and each
// only away from its default: "xo" open direct, "xc" calc direct, "xz" zoom direct, "xw" not on
// the web, "xP" top and left, "xS" bottom and right (each pair when one is not 0), "xE" header
// height, "xT" title height, "xM" mode-box width, the stored subsets ("s" lines), the print
// records, the output records (database/output_options.h) and "xN" the notes as a long text.
// A subclass writes its own lines after these.
//
// Tree invariants:
//   1. the children of a node stand in name order (letter case ignored), equal names in the
//      order they were inserted;
//   2. firstChild->prevSibling is the last child, so appending after the last sibling takes no
//      walk; the last child's nextSibling is null;
//   3. the root (kind 0, no name) and the default templates have no parent; every other template
//      of the tree has one, and only folders (kind 0) have children.
//
// User-interface thread only, like the database.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "database/output_options.h"
#include "database/stored_subsets.h"

class T_Base;
class T_IStream;
class T_OStream;
class T_MenuItem;
class T_TemplateCom;
struct BitVector;
struct ChangeNote;
struct T_TextBuf;

// Template kinds.
constexpr int32_t kTemplateFolder = 0;
constexpr int32_t kTemplateCards = 1;
constexpr int32_t kTemplateLines = 2;
constexpr int32_t kTemplateComponents = 3;
constexpr int32_t kTemplateTimeFunctions = 4;
constexpr int32_t kTemplateComponentFunctions = 5;
constexpr int32_t kTemplateSubset = 6;
constexpr int32_t kTemplateCard = 10;

// "cards", "lines", "comps", "tfunc", "cfunc" for kinds 1 to 5, "templates" for any other.
const char* KindKey(int32_t kind);
// The letter of a template line; 0 for a kind without one.
char TemplateKindLetter(int32_t kind);
// 0 for a letter of no kind.
int32_t TemplateKindFromLetter(char letter);
// "Cards", "Lines", "Components", "Time Functions", "Component Functions"; null for others.
const char* ObjectKindName(int32_t kind);

// Record lines kept as they were read, written back unchanged and in order.
class KeptLines {
 public:
  KeptLines() = default;
  ~KeptLines() { Clear(); }
  KeptLines(const KeptLines&) = delete;
  KeptLines& operator=(const KeptLines&) = delete;

  // False when memory ran out (the line is not kept).
  bool Add(const char* bytes, int32_t n);
  bool CopyFrom(const KeptLines& other);
  void Clear();
  // Trailing empty lines are dropped.
  void TrimEmptyTail();
  // Each line as it was, ended by the stream's line end.
  void Write(T_OStream* stream) const;
  bool Empty() const { return lines_.empty(); }
  int64_t MemSize() const;

 private:
  std::vector<char*> lines_;  // owned block texts, null for an empty line
};

class T_Template {
 public:
  // Empty links, no name, no menu command.
  T_Template(int32_t kind, T_Base* database);
  // Frees the name and deletes the menu entry. The template must be out of the tree (the tree
  // operations see to it).
  virtual ~T_Template();
  T_Template(const T_Template&) = delete;
  T_Template& operator=(const T_Template&) = delete;

  // --- Slots -------------------------------------------------------------------------------------
  virtual void OnChange(const ChangeNote* note);
  // Before the records of a read.
  virtual void SetDefaults();
  // One record line, current with its field cursor at the start; true when the template took it.
  virtual bool ReadRecord(T_IStream* stream);
  // After the last record of a read.
  virtual void BeginRead();
  // The template line: "#", the kind letter, TAB, the path. Nothing for a kind without a letter.
  virtual void WriteText(T_OStream* stream);
  virtual void SetXmlExport();
  // The children of a "template" element, up to its end tag; true when read.
  virtual bool ReadXml(T_IStream* stream);
  // Sets the bit of every component the template's window would name (a set over the database's
  // component records) and of every line it would select (a set over the line records).
  virtual void MarkUsedComponents(BitVector* components);
  virtual void MarkSelectedLines(BitVector* lines);
  virtual void SetParameter(const char* name, const char* value);
  // The template a web page's "drill" link derives with its link text; the base gives itself.
  virtual T_Template* DerivedTemplate(const char* parameter);
  virtual int64_t MemorySize() const;

  // --- Place in the tree -------------------------------------------------------------------------
  // The names from below the root down to this template joined by ": "; a template whose
  // parent is the root, or which has none, gives its own name.
  void GetPath(T_TextBuf* path) const;
  // The database's short id, then the short id of each name from below the root down, joined by
  // ":".
  void GetShortIdPath(T_TextBuf* path) const;
  // Collation comparison ignoring letter case (negative, 0, positive).
  int32_t ComparePath(const char* text) const;
  int32_t CompareName(const char* text) const;
  // The next template in tree order: the first child, else the next sibling of the nearest
  // ancestor (itself included) that has one; the top of the tree when the walk is over.
  T_Template* NextInTree() const;
  // The same walk confined below top: null once it would leave top's subtree. With skipChildren
  // the walk passes over this template's own children.
  T_Template* NextBelow(const T_Template* top, bool skipChildren = false) const;
  // True when other is this template or lies below it.
  bool Contains(const T_Template* other) const;
  T_Template* LastChild() const { return firstChild ? firstChild->prevSibling : nullptr; }
  // Sets the name (null or empty for none); false when memory ran out.
  bool SetName(const char* text);

  // Puts the template among the parent's children in name order: before the first sibling whose
  // name compares greater, so equal names keep their insertion order. A name not below the last
  // child's is appended without a walk.
  static void InsertChild(T_Template* templ, T_Template* parent);
  // Takes the template out of its parent's children; returns its former next sibling.
  static T_Template* Unlink(T_Template* templ);

  // --- Records -----------------------------------------------------------------------------------
  // SetDefaults, then ReadRecord for every line from the current one that does not begin with
  // "#", up to such a line, the end of the input or the abort flag, then BeginRead. atLine false:
  // no line is current (the input ended), so only SetDefaults and BeginRead run. Returns whether
  // a line is current afterwards: the "#" line that ended the records, rewound to its first
  // field.
  bool ReadRecords(T_IStream* stream, bool atLine);

  // Runs the template through the template runner with no flags.
  void Run(T_Template* parameter);
  // Makes the menu entry of the template (database/object_menus.h) in the parent, labelled with
  // the name and carrying the menu icon, and below it the entries of every template below this
  // one; an entry made before is replaced.
  void BuildMenu(T_MenuItem* parent);

  // --- Fields ------------------------------------------------------------------------------------
  uint32_t menuIcon = 0;
  int32_t kind;
  T_Base* database;
  T_Template* parent = nullptr;
  T_Template* firstChild = nullptr;
  T_Template* nextSibling = nullptr;
  T_Template* prevSibling = nullptr;
  char* name = nullptr;  // owned
  T_TemplateCom* menuCommand = nullptr;
  uint8_t existing = 0;  // set before a read: the template survives its rollback
};

// Horizontal grid modes ("Gx" letters "-1235Xalu").
constexpr int32_t kGridModeCount = 9;

class T_BoxTmpl : public T_Template {
 public:
  // Empty subsets, default options, a zero rectangle, sizes and flags, on the web.
  T_BoxTmpl(int32_t kind, T_Base* database);
  // Also frees the notes, the page setup blocks and the subsets.
  ~T_BoxTmpl() override;

  void OnChange(const ChangeNote* note) override;
  // Clears open, calc and zoom direct and sets web visible.
  void SetDefaults() override;
  bool ReadRecord(T_IStream* stream) override;
  void BeginRead() override;
  void WriteText(T_OStream* stream) override;
  void SetXmlExport() override;  // XML export format
  // Stored subsets name components and lines only a later reader can resolve, so while there
  // are any every component counts as used.
  void MarkUsedComponents(BitVector* components) override;
  // "notestext" (letter case ignored) replaces the notes.
  void SetParameter(const char* name, const char* value) override;
  int64_t MemorySize() const override;

  // The stored rectangle, each edge below 100 replaced by the caller's default size; a width or
  // height still below 100 then becomes the default measured from left or top.
  RECT GetWindowRect(int32_t defaultWidth, int32_t defaultHeight) const;
  // The mode-box width when it is 32 to 800, else the default.
  int32_t GetColumnWidth(int32_t fallback) const;
  // From the database's default template of the same kind: the rectangle's right and bottom,
  // the header, title and mode-box sizes, the output and print options (page setups copied);
  // then calc direct on and zoom direct off.
  void ApplyDefaults();

  // The subclasses' grid and view-mode lines: "Gx" and a letter of "-1235Xalu" (mode not 0),
  // "Gy" and "+" (vertical lines on); "W" and a letter of "NLBPR" in one field (mode not 0).
  // GridLinesReadLine takes a "Gx" or "Gy" line and answers whether it did.
  void GridLinesWrite(T_OStream* stream) const;
  bool GridLinesReadLine(const char* key, T_IStream* stream);
  void WriteViewModeLine(T_OStream* stream) const;

  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  uint16_t headerHeight = 0;
  uint16_t titleHeight = 0;
  uint16_t modeBoxWidth = 0;
  uint8_t openDirect = 0;
  uint8_t calcDirect = 0;
  uint8_t zoomDirect = 0;
  uint8_t webVisible = 1;
  uint32_t viewMode = 0;
  uint32_t gridMode = 0;
  uint8_t verticalGridLines = 0;
  StoredSubsetList subsets;  // the window's subsets, as the "s" records give them
  char* notes = nullptr;  // owned
  OutputOptions output;
  PrintOptions print;

 protected:
  // Within one read: a page setup block did not decode, and the stored subsets seen so far are
  // those of this read (the first "s" line replaces what an earlier read left).
  bool pageSetupDamaged_ = false;
  bool subsetsOfThisRead_ = false;
};

// The template as a box template, or null for a folder or another kind of template.
T_BoxTmpl* AsBoxTemplate(T_Template* templ);
