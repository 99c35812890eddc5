// Reference counting for the office server's automation objects.
#pragma once

#include <atomic>

#include "automation/WordObjects.h"

namespace fv::office {

template <class Interface>
class ComObject : public Interface {
 public:
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() = default;
  ~ComObject() override = default;

 private:
  std::atomic<uint32_t> references_{0};
};

// Hands a new object to an out-parameter with the caller's one reference.
template <class Interface>
automation::HRESULT Deliver(Interface* object, Interface** out) {
  object->AddRef();
  *out = object;
  return automation::S_OK;
}

}  // namespace fv::office
