// The file-type panel: how its check boxes and custom extension boxes
// react to one another.
//
// Each reaction also runs when code changes a value, but the panel does not
// react to the changes it makes itself: ticking a "*." box because its
// extension was typed keeps what was typed (the first character would
// otherwise be emptied away again), and emptying an extension because its
// box was unticked leaves the box unticked (it would otherwise tick itself
// again). Changes made by anything else, such as a loaded log, still get
// the full reactions.
#include "ferrimond/mainwindow/frmbackup.h"

namespace ferrimond {

namespace {

// Sets a marker for the length of a reaction, also when it ends by a throw.
class Marking {
 public:
  Marking(int& marker, int value) : marker_(marker), outer_(marker) { marker_ = value; }
  ~Marking() { marker_ = outer_; }
  Marking(const Marking&) = delete;
  Marking& operator=(const Marking&) = delete;

 private:
  int& marker_;
  int outer_;
};

}  // namespace

void Frmbackup::Check1_Click(int index) {
  if (!Txtfiles.Exists(index) || panelTicking_ == index) return;
  Marking emptying(panelEmptying_, index);
  Txtfiles[index].SetText(L"");
}

void Frmbackup::Txtfiles_Change(int index) {
  if (panelEmptying_ == index || !Check1.Exists(index)) return;
  Marking ticking(panelTicking_, index);
  Check1[index].SetValue(forms::kChecked);
}

void Frmbackup::Check2_Click() {
  if (Check2.Value() == forms::kChecked) {
    for (int i = 0; i <= 12; ++i) Check1[i].SetValue(forms::kChecked);
  } else if (Check2.Value() == forms::kUnchecked) {
    // "*.doc" and "*.xls" stay as they are.
    for (int i = 2; i <= 12; ++i) Check1[i].SetValue(forms::kUnchecked);
  }
}

}  // namespace ferrimond
