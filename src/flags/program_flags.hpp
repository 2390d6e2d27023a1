#pragma once
// The program-wide flags that the windows and the logic share.

namespace orthelev {

// All false at start.
struct ProgramFlags {
  bool initialized = false;     // first activation has begun
  bool startHidden = false;     // hidden start, window not shown yet
  bool quitWhenDone = false;    // close after the command-line batch
  bool abortRequested = false;  // Esc pressed during a batch
  // UseSpline: the conversions interpolate with the 6 x 6 spline window when
  // set, bilinearly otherwise. Set by the model selection and the batch.
  bool useSpline = false;
  // Bilinear interpolation whatever the model (console front end's --bilinear).
  bool forceBilinear = false;

  void Reset() { *this = ProgramFlags{}; }
};

ProgramFlags& TheFlags();

}  // namespace orthelev
