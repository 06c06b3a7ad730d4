// exp, log and pow for the scene's drawing. The C library that MinGW links
// computes these in the x87 unit at extended precision, several times slower
// than here; they took two thirds of the face's drawing time. These follow the
// classic fdlibm reductions and stay within about 1 ulp of the exact result,
// like the native libraries they replace: the 96-DPI pictures come out the
// same to the bit.
#pragma once

namespace exitbutton {

// e^x; 0 below about -745, infinity above about 709.8.
double Exp(double x);
// The natural logarithm of x > 0 (a finite, normal number).
double Log(double x);
// x^y for x >= 0 and y > 0, through Exp(y Log(x)): within a few ulp for the
// moderate powers the scene uses.
double Pow(double x, double y);

}  // namespace exitbutton
