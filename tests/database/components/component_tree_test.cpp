// Tree walks, depths, component sets over trees and the link edits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/bit_vector.h"
#include "database/component_tree.h"
#include "tests/database/components/components_fixture.h"

namespace components_test {
namespace {

class ComponentTreeTest : public ComponentsTest {
 protected:
  void SetUp() override {
    ComponentsTest::SetUp();
    // 1[10[100 101] 11] 2[20]
    for (const char* code : {"1", "10", "100", "101", "11", "2", "20"}) Add(1, code);
    BitVecInit(&set, base->componentPool.count, 0);
    BitVecFill(&set, false);
  }
  void TearDown() override {
    BitVecFree(&set);
    ComponentsTest::TearDown();
  }
  ComponentRecord* C(const char* code) { return FindByCodeOrNull(code); }
  ComponentRecord* FindByCodeOrNull(const char* code) {
    ComponentRecord* root = Root(1);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c))
      if (std::string(c->code) == code) return c;
    return nullptr;
  }
  void Set(std::initializer_list<const char*> codes) {
    for (const char* code : codes) BitVecSet(&set, C(code)->number, true);
  }
  std::string SetCodes() {
    std::string out;
    ComponentRecord* root = Root(1);
    if (BitVecGet(&set, 1)) out = "root";
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      if (!BitVecGet(&set, c->number)) continue;
      if (!out.empty()) out += ' ';
      out += c->code;
    }
    return out;
  }
  // Every child's parent is its parent, the first child's previous link is the last child and
  // every other previous link is the sibling before.
  void ExpectLinked(const ComponentRecord* node) {
    const ComponentRecord* previous = nullptr;
    for (const ComponentRecord* c = node->firstChild; c; c = c->nextSibling) {
      EXPECT_EQ(c->parent, node) << c->code;
      if (previous) {
        EXPECT_EQ(c->prevSibling, previous) << c->code;
      }
      previous = c;
      ExpectLinked(c);
    }
    if (node->firstChild) {
      EXPECT_EQ(node->firstChild->prevSibling, previous);
    }
  }

  BitVector set;
};

std::string Walk(ComponentRecord* start, ComponentRecord* (*step)(ComponentRecord*)) {
  std::string out;
  for (ComponentRecord* c = step(start); c->parent; c = step(c)) out += std::string(c->code) + " ";
  return out;
}

TEST_F(ComponentTreeTest, WalksVisitEveryComponentAndEndAtTheRoot) {
  EXPECT_EQ(Walk(Root(1), CompTreeNext), "1 10 100 101 11 2 20 ");
  EXPECT_EQ(Walk(Root(1), CompTreeNextReverse), "2 20 1 11 10 101 100 ");
  EXPECT_EQ(CompTreeNext(C("20")), Root(1));
  EXPECT_EQ(CompTreeNext(Root(5)), Root(5));  // an empty dimension

  std::string depths;
  int32_t depth = 0;
  for (ComponentRecord* c = CompTreeNextDepth(Root(1), &depth); c->parent;
       c = CompTreeNextDepth(c, &depth))
    depths += std::string(c->code) + ":" + std::to_string(depth) + " ";
  EXPECT_EQ(depths, "1:1 10:2 100:3 101:3 11:2 2:1 20:2 ");
  EXPECT_EQ(depth, 0);
  for (const char* code : {"1", "10", "100", "20"})
    EXPECT_EQ(CompDepth(C(code)), static_cast<int32_t>(std::string(code).size())) << code;
  EXPECT_EQ(CompDepth(Root(1)), 0);
}

TEST_F(ComponentTreeTest, BoundedAndSkippingWalksStayBelowTheirTop) {
  std::string within;
  ComponentRecord* top = C("1");
  for (ComponentRecord* c = CompTreeNextWithin(top, top); c != top; c = CompTreeNextWithin(c, top))
    within += std::string(c->code) + " ";
  EXPECT_EQ(within, "10 100 101 11 ");
  EXPECT_EQ(CompTreeNextWithin(C("100"), C("100")), C("100"));  // a leaf as its own top

  struct Case {
    const char* from;
    const char* top;  // null: the root
    const char* to;   // null: the top
    int32_t depthChange;
  } cases[] = {
      {"10", nullptr, "11", 0},                                  // over its own children
      {"101", nullptr, "11", -1},                                // climbs one level
      {"100", "10", "101", 0},      {"101", "10", nullptr, -1},  // nothing left below the top
      {"20", nullptr, nullptr, -2},
  };
  for (const Case& c : cases) {
    ComponentRecord* bound = c.top ? C(c.top) : Root(1);
    int32_t depth = 10;
    ComponentRecord* next = CompTreeSkip(C(c.from), bound, &depth);
    EXPECT_EQ(next, c.to ? C(c.to) : bound) << c.from;
    EXPECT_EQ(depth, 10 + c.depthChange) << c.from;
  }
}

TEST_F(ComponentTreeTest, SetsOverTreesMarkCloseAndFindAncestors) {
  CompMarkSubtree(&set, C("10"));
  EXPECT_EQ(SetCodes(), "10 100 101");
  BitVecFill(&set, false);

  Set({"101", "20"});
  CompCloseUpward(base, &set);
  EXPECT_EQ(SetCodes(), "root 1 10 101 2 20");
  BitVecFill(&set, false);

  struct Case {
    std::initializer_list<const char*> marked;
    const char* ancestor;  // null: the root
  } cases[] = {
      {{}, nullptr},        {{"100"}, "100"},         {{"100", "101"}, "10"},
      {{"100", "11"}, "1"}, {{"101", "20"}, nullptr},
  };
  for (const Case& c : cases) {
    BitVecFill(&set, false);
    Set(c.marked);
    EXPECT_EQ(CompCommonAncestor(base, 1, &set), c.ancestor ? C(c.ancestor) : Root(1))
        << SetCodes();
  }

  BitVecFill(&set, false);
  EXPECT_EQ(CompFirstAncestorOutside(C("100"), &set), C("10"));
  Set({"10"});
  EXPECT_EQ(CompFirstAncestorOutside(C("100"), &set), C("1"));
  Set({"1"});
  EXPECT_EQ(CompFirstAncestorOutside(C("100"), &set), Root(1));
  EXPECT_EQ(CompFirstAncestorOutside(Root(1), &set), Root(1));
  BitVector empty;  // a set shorter than the pool counts the bits beyond it as clear
  BitVecInit(&empty, 1, 0);
  BitVecFill(&empty, false);
  EXPECT_EQ(CompFirstAncestorOutside(C("100"), &empty), C("10"));
  BitVecFree(&empty);
}

TEST_F(ComponentTreeTest, LinkEditsKeepTheSiblingRing) {
  struct Case {
    const char* unlink;
    const char* shape;
  } cases[] = {
      {"10", "1[11] 2[20]"},  // a first child with a sibling
      {"11", "1 2[20]"},      // the last and only child
      {"2", "1"},             // the last child of the root
      {"1", ""},              // the only child of the root
  };
  std::vector<ComponentRecord*> unlinked;
  for (const Case& c : cases) {
    ComponentRecord* node = C(c.unlink);
    CompUnlink(node);
    unlinked.push_back(node);
    EXPECT_EQ(node->parent, nullptr);
    EXPECT_EQ(node->prevSibling, node);
    EXPECT_EQ(Shape(1), c.shape) << c.unlink;
    ExpectLinked(Root(1));
  }
  // Back into the tree, where the database frees them.
  for (ComponentRecord* node : unlinked) CompAppendChild(Root(1), node);
  EXPECT_EQ(Shape(1), "10[100 101] 11 2[20] 1");
  ExpectLinked(Root(1));
}

TEST_F(ComponentTreeTest, AppendAndInsertAfterPlaceTheNode) {
  ComponentRecord* moved = C("11");
  CompUnlink(moved);
  CompInsertAfter(C("100"), moved);  // in the middle
  EXPECT_EQ(Shape(1), "1[10[100 11 101]] 2[20]");
  ExpectLinked(Root(1));
  CompUnlink(moved);
  CompInsertAfter(C("20"), moved);  // after the last child
  EXPECT_EQ(Shape(1), "1[10[100 101]] 2[20 11]");
  ExpectLinked(Root(1));
  CompUnlink(moved);
  CompAppendChild(C("101"), moved);  // a first child
  ComponentRecord* two = C("2");
  CompUnlink(two);
  CompAppendChild(Root(1), two);
  EXPECT_EQ(Shape(1), "1[10[100 101[11]]] 2[20]");
  ExpectLinked(Root(1));
}

}  // namespace
}  // namespace components_test
