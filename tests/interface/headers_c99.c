/* The public headers compile as strict C99, together. */
#include "PELK-2008.h"
#include "ZEMOPdf.h"
#include "error_estimate.h"
#include "fio_units.h"
#include "pdferr/tables.h"
#include "pdferr/uncertainty.h"

int pdferr_headers_compile_as_c99(void) { return (int)sizeof(raset1_block); }
