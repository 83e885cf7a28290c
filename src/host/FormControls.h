// The stored controls of the host's window: the values its window description
// keeps for each list box, splitter, panel and button (placement, alignment,
// captions, the names of their handlers). They are components, so the
// description reads into them and writes back from them; the window builds
// its widgets from these values (ThreadMain). They hold no widget themselves.
//
// Ownership: the component owner tree (a panel owns the buttons nested in it).
// Thread-safety: none; used on the window thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Controls.h"
#include "core/Persistent.h"

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
const std::vector<std::string>& AlignNames();

// The handler names a stored event may take: the window's event handlers.
// Index 0 is "no handler" (never written).
const std::vector<std::string>& FormHandlerNames();

// Helpers that describe one published property bound to a member.
TProperty IntegerProperty(const std::string& name, int32_t& member, int32_t defaultValue);
TProperty StringProperty(const std::string& name, std::string& member,
                         const std::string& defaultValue);
// An enumeration kept as its ordinal; Names gives the written names.
TProperty EnumProperty(const std::string& name, uint8_t& member,
                       const std::vector<std::string>& names, uint8_t defaultValue);
// A handler name (one of FormHandlerNames), none by default.
TProperty HandlerProperty(const std::string& name, std::string& member);

// Placement: Left, Top, Width, Height (0 by default) and Align.
class THostControl : public TControl {
 public:
  explicit THostControl(TComponent* owner = nullptr, TAlign align = alNone)
      : TControl(owner), align_(align), defaultAlign_(align) {}
  std::string ClassName() const override { return "THostControl"; }
  void Properties(std::vector<TProperty>& props) override;

  int32_t Left() const noexcept { return left_; }
  int32_t Top() const noexcept { return top_; }
  int32_t Width() const noexcept { return width_; }
  int32_t Height() const noexcept { return height_; }
  TAlign Align() const noexcept { return TAlign(align_); }

 private:
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  uint8_t align_;
  uint8_t defaultAlign_;
};

// A list of text items; ItemHeight in pixels (0: the toolkit's own).
class TListBox : public THostControl {
 public:
  explicit TListBox(TComponent* owner = nullptr) : THostControl(owner) {}
  std::string ClassName() const override { return "TListBox"; }
  void Properties(std::vector<TProperty>& props) override;
  int32_t ItemHeight() const noexcept { return itemHeight_; }

 private:
  int32_t itemHeight_ = 0;
};

// Resizes the controls on its two sides; aligned left unless stored otherwise.
class TSplitter : public THostControl {
 public:
  explicit TSplitter(TComponent* owner = nullptr) : THostControl(owner, alLeft) {}
  std::string ClassName() const override { return "TSplitter"; }
};

// A plain area holding other controls (its nested, owned components).
class TPanel : public THostControl {
 public:
  explicit TPanel(TComponent* owner = nullptr) : THostControl(owner) {}
  std::string ClassName() const override { return "TPanel"; }
};

// A push button: Caption and the name of its OnClick handler.
class TButton : public THostControl {
 public:
  explicit TButton(TComponent* owner = nullptr) : THostControl(owner) {}
  std::string ClassName() const override { return "TButton"; }
  void Properties(std::vector<TProperty>& props) override;
  const std::string& Caption() const noexcept { return caption_; }
  const std::string& OnClick() const noexcept { return onClick_; }

 private:
  std::string caption_;
  std::string onClick_;
};

// The window's font: Height in the toolkit's sense (negative: pixels).
class TFont : public TPersistent {
 public:
  std::string ClassName() const override { return "TFont"; }
  void Properties(std::vector<TProperty>& props) override;
  int32_t Height() const noexcept { return height_; }

 private:
  int32_t height_ = 0;
};
