// Ownership in the editor: a component owns the components created with it as their owner and
// destroys them, newest first, when it goes. A form owns its widgets and parameter controls; a
// control owns the widgets it is made of. Who owns a widget and where it is shown (its parent,
// editor/widget.h) are separate, so a control can own widgets that sit in a page box.
#pragma once

#include <vector>

namespace brelix {

class TComponent {
 public:
  // With an owner, the owner destroys the new component; without, the creator does.
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::vector<TComponent*>& Components() const { return owned_; }

  int Tag = 0;  // a number for the creator's use

 protected:
  // Destroys the owned components now (derived destructors call it while they are still whole).
  void DestroyComponents();

 private:
  TComponent* owner_;
  std::vector<TComponent*> owned_;
};

}  // namespace brelix
