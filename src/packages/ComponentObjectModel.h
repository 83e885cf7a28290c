// TComponentObjectModel: the object package's reflection interface over the
// engine library's component model — classes of the class registry, the
// component owner tree, published properties (core/Persistent.h), controls
// placed on windowed controls and executable actions (core/Controls.h).
//
// Property kinds: pkInteger, pkFloat, pkBoolean, pkString, pkEnum, pkSet and
// pkObject as the package's kinds; pkStringList is unsupported.
//
// Ownership: a component created with an owner belongs to that owner; one
// created without is recorded here until it is freed (what is still recorded
// when the process ends is freed then). Free frees only what is alive and
// owned by the engine's component tree or a recorded object's, never the
// engine or a component holding it.
// Thread-safety: the table of created objects is guarded by a mutex; the
// components themselves are used by one engine thread at a time.
#pragma once

#include <mutex>
#include <set>

#include "packages/ObjectModel.h"

class TComponentObjectModel final : public TObjectModel {
 public:
  TComponentObjectModel() = default;
  ~TComponentObjectModel() override;

  bool Serves(const TComponent& engine) const override;
  IObjectRef Root(const TComponent& engine) const override;

  const char* FindClass(const std::string& name) const override;
  bool IsInstanceOf(const TObjectRef& object, const char* className) const override;
  IObjectRef Create(const char* className, const TObjectRef* owner,
                    const TObjectRef* parent) override;
  void Free(const TObjectRef& object, const TComponent* engine) override;

  bool IsComponent(const TObjectRef& object) const override;
  std::vector<IObjectRef> Children(const TObjectRef& object) const override;
  IObjectRef FindChild(const TObjectRef& object, const std::string& name) const override;

  std::vector<std::string> PropertyNames(const TObjectRef& object) const override;
  std::optional<TObjectProperty> FindProperty(const TObjectRef& object,
                                              const std::string& name) const override;
  IIEValue ReadProperty(const TObjectRef& object, const TObjectProperty& prop) const override;
  void WriteProperty(const TObjectRef& object, const TObjectProperty& prop,
                     const TIEValue& value) override;

  bool ExecuteAction(const TObjectRef& object) override;

 private:
  // Takes Object out of the created table; false when it was not recorded.
  bool TakeCreated(TObject* object);
  // The recorded components: roots of trees whose members Free may free.
  std::vector<TComponent*> CreatedRoots();

  std::mutex lock_;
  std::set<TObject*> created_;  // under lock_
};
