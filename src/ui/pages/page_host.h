#pragma once
// What a wizard page needs from the window that hosts it.
#include <QFont>
#include <QRect>
#include <vector>

#include "services/phone_info.h"

namespace upvane {

class PageHost {
 public:
  virtual ~PageHost() = default;
  // The fonts the pages borrow: bold of cell height 60, 45, 30; 11 point.
  virtual QFont Font60() const = 0;
  virtual QFont Font45() const = 0;
  virtual QFont Font30() const = 0;
  virtual QFont Font11() const = 0;
  virtual QRect PageRect() const = 0;
  virtual double ScaleX() const = 0;
  virtual double ScaleY() const = 0;
  // The page's step ended: 1 success (or NEXT), 0 failure or cancel.
  virtual void Advance(int code) = 0;
};

}  // namespace upvane
