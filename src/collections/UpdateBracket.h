// WithinUpdate: runs Body inside Target's BeginUpdate/EndUpdate bracket, so a
// series of changes notifies once; the bracket is closed when Body raises too,
// and the exception then passes on.
#pragma once

template <class TTarget, class TBody>
void WithinUpdate(TTarget& target, TBody&& body) {
  target.BeginUpdate();
  try {
    body();
  } catch (...) {
    target.EndUpdate();
    throw;
  }
  target.EndUpdate();
}
