#pragma once
// Keeps two runs that move files (moving spare copies aside, restoring them)
// off one folder tree at the same time: two such runs could each move a
// different member of one group and leave the group with no copy in place.
//
// The lock is an advisory lock of the system (flock): exclusive on the tree's
// folder, shared on every folder above it. So a second run on the same tree,
// on a folder inside it or on a folder around it is refused at once, while
// runs on separate trees side by side go on. The system drops the locks when
// the process ends, however it ends, so a killed run never leaves a tree
// locked.

#include <QString>
#include <vector>

class TreeMoveLock {
 public:
  // Tries to take the lock on folder (without waiting).
  explicit TreeMoveLock(const QString& folder);
  ~TreeMoveLock();
  TreeMoveLock(const TreeMoveLock&) = delete;
  TreeMoveLock& operator=(const TreeMoveLock&) = delete;

  bool Held() const { return held_; }
  // Why the lock was not taken, for the user.
  const QString& Refusal() const { return refusal_; }

 private:
  void Release();
  std::vector<int> fds_;
  bool held_ = false;
  QString refusal_;
};
