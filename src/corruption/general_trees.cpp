#include "corruption/general_trees.h"

#include <QString>
#include <vector>

#include "runtime/error.h"
#include "runtime/panic.h"

void ThrowLopsidedTree() {
  throw SorvelError(QStringLiteral("lopsided data: stack overflow in Tree"));
}

GeneralTree::GeneralTree(CompareObjects comparison)
    : compare(comparison ? std::move(comparison)
                         : CompareObjects([](const void*, const void*) { return 0; })) {
  on_found_match = [this](TreeNode** s) { FoundMatch(s); };
  on_in_order = [this](TreeNode** s) { InOrder(s); };
  on_added_one = [this](TreeNode** s) { AddedOne(s); };
  on_deleting = [this](TreeNode** s) { Deleting(s); };
}

GeneralTree::~GeneralTree() { FreeAllNodesQuietly(); }

bool GeneralTree::AddOne() {
  YieldToEvents();
  TreeNode* node = root_;
  TreeNode* parent = nullptr;
  while (node) {
    const int c = compare(current, node->item);
    if (c == 0) {
      TreeNode* slot = node;
      if (on_found_match) on_found_match(&slot);
      return false;
    }
    parent = node;
    node = c < 0 ? node->left : node->right;
  }
  TreeNode* fresh = new TreeNode{current, nullptr, nullptr};
  if (on_added_one) on_added_one(&fresh);
  if (!parent) {
    root_ = fresh;
  } else if (compare(current, parent->item) < 0) {
    parent->left = fresh;
  } else {
    parent->right = fresh;
  }
  ++counter;
  modified_ = true;
  return true;
}

// The in-order walk that Traverse and Clear share: an explicit stack of at
// most kStackLimit - 1 nodes. The right child is read before visit runs, so
// visit may free the node.
void GeneralTree::WalkInOrder(const std::function<void(TreeNode*)>& visit) {
  std::vector<TreeNode*> stack;
  stack.reserve(64);
  TreeNode* cur = root_;
  for (;;) {
    while (cur) {
      stack.push_back(cur);
      if (static_cast<int>(stack.size()) >= kStackLimit) ThrowLopsidedTree();
      cur = cur->left;
    }
    if (stack.empty()) break;
    TreeNode* node = stack.back();
    stack.pop_back();
    cur = node->right;
    visit(node);
  }
}

void GeneralTree::Traverse() {
  modified_ = false;
  if (!root_) return;
  going = 0;
  WalkInOrder([this](TreeNode* node) {
    ++going;
    TreeNode* slot = node;
    if (on_in_order) on_in_order(&slot);
  });
}

void GeneralTree::Clear() {
  if (root_) {
    // A dry walk first: a lopsided tree raises before any node is freed, so
    // the tree stays whole and can still be released quietly.
    WalkInOrder([](TreeNode*) {});
    going = counter;
    WalkInOrder([this](TreeNode* node) {
      TreeNode* slot = node;
      if (on_deleting) on_deleting(&slot);
      delete node;
      --going;
    });
  }
  root_ = nullptr;
  counter = 0;
  modified_ = true;
}

void GeneralTree::FreeAllNodesQuietly() {
  std::vector<TreeNode*> pending;
  if (root_) pending.push_back(root_);
  while (!pending.empty()) {
    TreeNode* node = pending.back();
    pending.pop_back();
    if (node->left) pending.push_back(node->left);
    if (node->right) pending.push_back(node->right);
    TreeNode* slot = node;
    Deleting(&slot);
    delete node;
  }
  root_ = nullptr;
  counter = 0;
}
