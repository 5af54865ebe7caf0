#include "toolkit/component.h"

#include <algorithm>

namespace brelix {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->owned_.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_ != nullptr) std::erase(owner_->owned_, this);
}

void TComponent::DestroyComponents() {
  while (!owned_.empty()) {
    TComponent* newest = owned_.back();
    owned_.pop_back();
    newest->owner_ = nullptr;
    delete newest;
  }
}

}  // namespace brelix
