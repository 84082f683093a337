// kivo: converts a column-oriented text file of airborne frequency-domain EM
// soundings into a QUINSA observations file, as "kivo.in" describes.
#include "driver/run.h"

int main() {
  kivo::RunState st;
  return kivo::run(st);
}
