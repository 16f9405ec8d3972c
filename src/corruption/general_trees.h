#pragma once
// An unbalanced binary search tree with a pluggable comparison and
// per-event callbacks. Its shape follows the order in which keys are first
// inserted; it is never rebalanced. Walks use an explicit stack of at most
// 2047 nodes: deeper left chains raise "lopsided data: stack overflow in Tree".

#include <cstdint>
#include <functional>

// Raises the error of a walk whose stack overflows.
[[noreturn]] void ThrowLopsidedTree();

struct TreeNode {
  void* item = nullptr;
  TreeNode* left = nullptr;
  TreeNode* right = nullptr;
};

// Called with the slot (address of the node pointer) of the node concerned.
using TreeNodeVisitor = std::function<void(TreeNode** slot)>;
using CompareObjects = std::function<int(const void* a, const void* b)>;

class GeneralTree {
 public:
  static constexpr int kStackLimit = 2048;

  explicit GeneralTree(CompareObjects compare = nullptr);
  virtual ~GeneralTree();
  GeneralTree(const GeneralTree&) = delete;
  GeneralTree& operator=(const GeneralTree&) = delete;

  // Inserts the item held in `current`. True when a new node was made; false
  // when an equal key existed (that node went through DoFoundMatchFunction and
  // the caller still owns `current`).
  bool Add_One();
  // Visits every node in ascending key order through DoInOrderFunction.
  void Traverse();
  // Frees every node, calling DoDeletingFunction for each first.
  void Clear();

  bool TreeModified() const { return fTreeModified; }
  TreeNode* Root() const { return froot; }
  std::int32_t Count() const { return counter; }

  TreeNodeVisitor fDoFoundMatchFunct;
  TreeNodeVisitor fDoInOrderFunct;
  TreeNodeVisitor fDoAddedOneFunct;
  TreeNodeVisitor fDoDeletingFunct;
  CompareObjects fCompareFunctOfObject;
  void* current = nullptr;

 protected:
  virtual void Do_Found_Match(TreeNode** /*slot*/) {}
  virtual void Do_Added_One(TreeNode** /*slot*/) {}
  virtual void Do_In_Order(TreeNode** /*slot*/) {}
  virtual void Do_Deleting(TreeNode** /*slot*/) {}
  virtual void Seed_Tree() {}
  // Frees all nodes without raising (used on destruction, where a lopsided
  // tree must still be released).
  void FreeAllNodesQuietly();
  void WalkInOrder(const std::function<void(TreeNode*)>& visit);

  bool fTreeModified = false;
  TreeNode* froot = nullptr;
  std::int32_t counter = 0;
  std::int32_t going = 0;
};
