#include "corruption/general_trees.h"

#include <QString>
#include <vector>

#include "runtime/error.h"
#include "runtime/panic.h"

void ThrowLopsidedTree() { throw SorvelError(QStringLiteral("lopsided data: stack overflow in Tree")); }

TGeneral_Tree::TGeneral_Tree(TCompareFunctOfObject compare)
    : fCompareFunctOfObject(compare ? std::move(compare)
                                    : TCompareFunctOfObject([](const void*, const void*) { return 0; })) {
  fDoFoundMatchFunct = [this](TTreeNode** s) { Do_Found_Match(s); };
  fDoInOrderFunct = [this](TTreeNode** s) { Do_In_Order(s); };
  fDoAddedOneFunct = [this](TTreeNode** s) { Do_Added_One(s); };
  fDoDeletingFunct = [this](TTreeNode** s) { Do_Deleting(s); };
}

TGeneral_Tree::~TGeneral_Tree() { FreeAllNodesQuietly(); }

bool TGeneral_Tree::Add_One() {
  MyYieldProcess();
  TTreeNode* node = froot;
  TTreeNode* parent = nullptr;
  while (node) {
    const int c = fCompareFunctOfObject(current, node->item);
    if (c == 0) {
      TTreeNode* slot = node;
      if (fDoFoundMatchFunct) fDoFoundMatchFunct(&slot);
      return false;
    }
    parent = node;
    node = c < 0 ? node->left : node->right;
  }
  TTreeNode* fresh = new TTreeNode{current, nullptr, nullptr};
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
void TGeneral_Tree::WalkInOrder(const std::function<void(TTreeNode*)>& visit) {
  std::vector<TTreeNode*> stack;
  stack.reserve(64);
  TTreeNode* cur = froot;
  for (;;) {
    while (cur) {
      stack.push_back(cur);
      if (static_cast<int>(stack.size()) >= kStackLimit) ThrowLopsidedTree();
      cur = cur->left;
    }
    if (stack.empty()) break;
    TTreeNode* node = stack.back();
    stack.pop_back();
    cur = node->right;
    visit(node);
  }
}

void TGeneral_Tree::Traverse() {
  fTreeModified = false;
  if (!froot) return;
  going = 0;
  WalkInOrder([this](TTreeNode* node) {
    ++going;
    TTreeNode* slot = node;
    if (fDoInOrderFunct) fDoInOrderFunct(&slot);
  });
}

void TGeneral_Tree::Clear() {
  if (froot) {
    // A dry walk first: a lopsided tree raises before any node is freed, so
    // the tree stays whole and can still be released quietly.
    WalkInOrder([](TTreeNode*) {});
    going = counter;
    WalkInOrder([this](TTreeNode* node) {
      TTreeNode* slot = node;
      if (fDoDeletingFunct) fDoDeletingFunct(&slot);
      delete node;
      --going;
    });
  }
  froot = nullptr;
  counter = 0;
  fTreeModified = true;
}

void TGeneral_Tree::FreeAllNodesQuietly() {
  std::vector<TTreeNode*> pending;
  if (froot) pending.push_back(froot);
  while (!pending.empty()) {
    TTreeNode* node = pending.back();
    pending.pop_back();
    if (node->left) pending.push_back(node->left);
    if (node->right) pending.push_back(node->right);
    TTreeNode* slot = node;
    Do_Deleting(&slot);
    delete node;
  }
  froot = nullptr;
  counter = 0;
}
