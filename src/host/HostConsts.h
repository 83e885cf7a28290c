// The host's own texts: the text of its "Show Message" box, the title of its
// message boxes, the prefix of the line that ends a worker's list when its run
// raised, the two rule files "Run Both" loads (relative to the current
// folder), and the errors of a window description the window cannot use. The engine's texts are in core/IEConsts.h; these belong to the
// desktop host only.
#pragma once

inline constexpr char SHostMessage[] =
    "This message shows that the main thread is free while the other threads are executing in "
    "the background";
inline constexpr char SHostTitle[] = "ThreadProject";
inline constexpr char SHostWorkerError[] = "ERROR: ";
inline constexpr char SHostFirstProgram[] = "fullmab.ie";
inline constexpr char SHostSecondProgram[] = "wordgame.ie";
inline constexpr char SHostDescriptionMissing[] = "The stored window description is missing";
inline constexpr char SHostComponentMissing[] = "The window description lacks the component %s";
