#include "corruption/general_trees.h"

#include <QString>
#include <vector>

#include "runtime/error.h"
#include "runtime/panic.h"

void ThrowLopsidedTree() {
  throw SorvelError(QStringLiteral("lopsided data: stack overflow in Tree"));
}

GeneralTree::GeneralTree(CompareObjects compare)
    : fCompareFunctOfObject(compare ? std::move(compare)
                                    : CompareObjects([](const void*, const void*) { return 0; })) {
  fDoFoundMatchFunct = [this](TreeNode** s) { Do_Found_Match(s); };
  fDoInOrderFunct = [this](TreeNode** s) { Do_In_Order(s); };
  fDoAddedOneFunct = [this](TreeNode** s) { Do_Added_One(s); };
  fDoDeletingFunct = [this](TreeNode** s) { Do_Deleting(s); };
}

GeneralTree::~GeneralTree() { FreeAllNodesQuietly(); }

bool GeneralTree::Add_One() {
  YieldToEvents();
  TreeNode* node = froot;
  TreeNode* parent = nullptr;
  while (node) {
    const int c = fCompareFunctOfObject(current, node->item);
    if (c == 0) {
      TreeNode* slot = node;
      if (fDoFoundMatchFunct) fDoFoundMatchFunct(&slot);
      return false;
    }
    parent = node;
    node = c < 0 ? node->left : node->right;
  }
  TreeNode* fresh = new TreeNode{current, nullptr, nullptr};
  if (fDoAddedOneFunct) fDoAddedOneFunct(&fresh);
  if (!parent) {
    froot = fresh;
  } else if (fCompareFunctOfObject(current, parent->item) < 0) {
    parent->left = fresh;
  } else {
    parent->right = fresh;
  }
  ++counter;
  fTreeModified = true;
  return true;
}

// The in-order walk that Traverse and Clear share: an explicit stack of at
// most kStackLimit - 1 nodes. The right child is read before visit runs, so
// visit may free the node.
void GeneralTree::WalkInOrder(const std::function<void(TreeNode*)>& visit) {
  std::vector<TreeNode*> stack;
  stack.reserve(64);
  TreeNode* cur = froot;
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
  fTreeModified = false;
  if (!froot) return;
  going = 0;
  WalkInOrder([this](TreeNode* node) {
    ++going;
    TreeNode* slot = node;
    if (fDoInOrderFunct) fDoInOrderFunct(&slot);
  });
}

void GeneralTree::Clear() {
  if (froot) {
    // A dry walk first: a lopsided tree raises before any node is freed, so
    // the tree stays whole and can still be released quietly.
    WalkInOrder([](TreeNode*) {});
    going = counter;
    WalkInOrder([this](TreeNode* node) {
      TreeNode* slot = node;
      if (fDoDeletingFunct) fDoDeletingFunct(&slot);
      delete node;
      --going;
    });
  }
  froot = nullptr;
  counter = 0;
  fTreeModified = true;
}

void GeneralTree::FreeAllNodesQuietly() {
  std::vector<TreeNode*> pending;
  if (froot) pending.push_back(froot);
  while (!pending.empty()) {
    TreeNode* node = pending.back();
    pending.pop_back();
    if (node->left) pending.push_back(node->left);
    if (node->right) pending.push_back(node->right);
    TreeNode* slot = node;
    Do_Deleting(&slot);
    delete node;
  }
  froot = nullptr;
  counter = 0;
}
