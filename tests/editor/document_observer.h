// A document observer for tests: records every action the document reports
// and fails the test when the program changed between two actions, that is
// without going through the document.
#pragma once

#include <vector>

#include <gtest/gtest.h>

#include "editor/editor_document.h"
#include "program/block_program.h"

namespace editor_test {

struct SeenAction {
  EditKind kind;
  bool changed;
  friend bool operator==(const SeenAction&, const SeenAction&) = default;
};

class CountingObserver : public CDocumentObserver {
 public:
  void OnActionBegin(const CEditorDocument& document, EditKind /*kind*/) override {
    EXPECT_FALSE(m_open) << "an action began inside another one";
    EXPECT_FALSE(ChangedOutsideActions(document)) << "the program changed outside an action";
    m_open = true;
  }
  void OnActionEnd(const CEditorDocument& document, EditKind kind, bool changed) override {
    EXPECT_TRUE(m_open) << "an action ended that never began";
    m_open = false;
    actions.push_back({kind, changed});
    Remember(document);
  }

  // Starts watching from the document as it is now.
  void Remember(const CEditorDocument& document) {
    m_program = &document.Program();
    m_revision = document.Program().Revision();
  }
  // Whether the program moved since the last action ended (or Remember).
  bool ChangedOutsideActions(const CEditorDocument& document) const {
    return m_program == &document.Program() && document.Program().Revision() != m_revision;
  }
  // The actions seen of a kind, and how many of them changed the program.
  int Count(EditKind kind, bool changed) const {
    int n = 0;
    for (const SeenAction& action : actions) {
      n += action.kind == kind && action.changed == changed ? 1 : 0;
    }
    return n;
  }

  std::vector<SeenAction> actions;

 private:
  bool m_open = false;
  const CBlockProgram* m_program = nullptr;
  unsigned long m_revision = 0;
};

}  // namespace editor_test
