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

  explicit GeneralTree(CompareObjects comparison = nullptr);
  virtual ~GeneralTree();
  GeneralTree(const GeneralTree&) = delete;
  GeneralTree& operator=(const GeneralTree&) = delete;

  // Inserts the item held in `current`. True when a new node was made; false
  // when an equal key existed (that node went through on_found_match and
  // the caller still owns `current`).
  bool AddOne();
  // Visits every node in ascending key order through on_in_order.
  void Traverse();
  // Frees every node, calling on_deleting for each first.
  void Clear();

  bool TreeModified() const { return modified_; }
  TreeNode* Root() const { return root_; }
  std::int32_t Count() const { return counter; }

  TreeNodeVisitor on_found_match;
  TreeNodeVisitor on_in_order;
  TreeNodeVisitor on_added_one;
  TreeNodeVisitor on_deleting;
  CompareObjects compare;
  void* current = nullptr;

 protected:
  virtual void FoundMatch(TreeNode** /*slot*/) {}
  virtual void AddedOne(TreeNode** /*slot*/) {}
  virtual void InOrder(TreeNode** /*slot*/) {}
  virtual void Deleting(TreeNode** /*slot*/) {}
  virtual void SeedTree() {}
  // Frees all nodes without raising (used on destruction, where a lopsided
  // tree must still be released).
  void FreeAllNodesQuietly();
  void WalkInOrder(const std::function<void(TreeNode*)>& visit);

  bool modified_ = false;
  TreeNode* root_ = nullptr;
  std::int32_t counter = 0;
  std::int32_t going = 0;
};
