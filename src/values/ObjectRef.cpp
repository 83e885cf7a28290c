#include "values/ObjectRef.h"

#include "core/Component.h"
#include "core/LifeFlag.h"

namespace {

// Object lives as long as the flag of the component it is or belongs to; with
// no flag, as long as the reference.
class TComponentRef final : public TObjectRef {
 public:
  TComponentRef(TObject* object, TLifeFlag* flag)
      : TObjectRef(nullptr, object, object->ClassName()), object_(object), flag_(flag) {}
  ~TComponentRef() override {
    if (flag_) flag_->Release();
  }
  bool Alive() const noexcept override { return !flag_ || flag_->Alive(); }
  TLifeFlag* Flag() const noexcept { return flag_; }
  TObject* Object() const noexcept override { return Alive() ? object_ : nullptr; }

 private:
  TObject* object_;
  TLifeFlag* flag_;  // one reference held
};

}  // namespace

IObjectRef MakeMemberRef(TObject* member, const TObjectRef& holder) {
  if (!member) return nullptr;
  if (dynamic_cast<const TComponent*>(member)) return MakeComponentRef(member);
  const auto* ref = dynamic_cast<const TComponentRef*>(&holder);
  TLifeFlag* flag = ref ? ref->Flag() : nullptr;
  if (flag) flag->AddRef();
  return IObjectRef(new TComponentRef(member, flag));
}

IObjectRef MakeComponentRef(TObject* object, const TComponent* anchor) {
  if (!object) return nullptr;
  if (!anchor) anchor = dynamic_cast<const TComponent*>(object);
  return IObjectRef(new TComponentRef(object, anchor ? anchor->LifeFlag() : nullptr));
}
