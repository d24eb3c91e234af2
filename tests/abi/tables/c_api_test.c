/* The table subsystem called from plain C: arguments by address, the blocks
 * as C globals.  Runs in a directory holding the bundled synthetic set
 * zemo.00.pds (60 x nodes, 16 t nodes, MxFlvN0 = 5, mxval = 2). */
#include <stdint.h>
#include <stdio.h>

#include "ZEMOPdf.h"

#include "c_check.h"

int main(void) {
  const int32_t set = 100;
  const int32_t up = 3, down = -3, gluon = 0;
  const double x = 0.1, q = 10.0;
  const double xa[4] = {1.0, 2.0, 3.0, 4.0};
  const double ya[4] = {1.0, 8.0, 27.0, 64.0};
  const double at = 3.0;
  double ye = 0.0;

  setzemo(&set);
  check(vokpar2.nx == 60 && vokpar2.nt == 16, "vokpar2 nodes");
  check(vokpar2.MxFlvN0 == 5 && vokpar2.mxval == 2, "vokpar2 flavours");
  check(zemojset.iset == 100 && vokpar1.xv[0] == 0.0, "zemojset and xv");
  check(zemopdf(&up, &x, &q) == zemopdf(&down, &x, &q), "flavour slots");
  check(zemopdf(&gluon, &x, &q) > 0.0, "zemopdf value");
  polint4f(xa, ya, &at, &ye);
  check(ye == 27.0, "polint4f");
  check(nextun() == 10, "nextun");
  if (failures != 0) return 1;
  printf("c interface ok\n");
  return 0;
}
