/* The C interface of the error-set formulas from a plain C program: the
 * hand-worked results, status codes and error records, outputs untouched
 * on failure, moments through their saved bytes, and a description. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pdferr/uncertainty.h"

#include "c_check.h"

int main(void) {
  pdferr_error err;
  const pdferr_confidence cl90 = {PDFERR_CENTRAL, 0.9}, one = {PDFERR_SIGMAS, 1.0};
  const pdferr_confidence bad = {PDFERR_CENTRAL, 1.5};
  double z = 7.0, f = 0.0;

  check(pdferr_normal_quantile(0.5, &z, &err) == PDFERR_OK && z == 0.0, "quantile 0.5");
  z = 7.0;
  check(pdferr_normal_quantile(2.0, &z, &err) == PDFERR_DOMAIN_ERROR && z == 7.0, "quantile 2");
  check(pdferr_rescale_factor(cl90, one, &f, &err) == PDFERR_OK && fabs(f - 1.644854) < 5e-7,
        "90% to one sigma");
  check(pdferr_confidence_z(bad, &z, &err) == PDFERR_INVALID_ARGUMENT && z == 7.0, "level 1.5");

  {
    /* Two points, member-major: central 10 and 0, pairs (13, 9) and (3, -3),
     * (1, 1) and (4, -4). */
    const double values[] = {10, 0, 13, 3, 9, -3, 10, 4, 10, -4};
    pdferr_hessian_errors e[2];
    check(pdferr_hessian(values, 2, 2, PDFERR_ON_BAD_ERROR, e, &err) == PDFERR_OK, "hessian");
    check(e[0].symmetric == 2 && e[0].plus == 3 && e[0].minus == 1, "hessian point 0");
    check(e[1].symmetric == 5 && e[1].plus == 5 && e[1].minus == 5, "hessian point 1");
    check(pdferr_hessian_rescale(&e[1], one, one, &err) == PDFERR_OK && e[1].plus == 5, "rescale");
  }
  {
    const double values[] = {1, 2, 3, 4, NAN, 6};
    pdferr_hessian_errors e[2] = {{7, 7, 7}, {7, 7, 7}};
    check(pdferr_hessian(values, 1, 2, PDFERR_ON_BAD_ERROR, e, &err) == PDFERR_DOMAIN_ERROR,
          "hessian NaN: status");
    check(err.index == 0 && e[0].plus == 7 && e[1].plus == 7, "hessian NaN: record, untouched");
    check(pdferr_hessian(values, 1, 2, PDFERR_ON_BAD_NAN, e, &err) == PDFERR_OK, "hessian NaN");
    check(isnan(e[0].symmetric) && e[1].symmetric == 1.0, "hessian NaN: the other point");
  }
  {
    const double v[] = {2, 4, 4, 4, 5, 5, 7, 9};
    const double x[] = {0, 0, 2, 2}, y[] = {1, 1, 7, 7}; /* y = 3 x + 1 */
    double m = 0, sd = 0, low = 0, high = 0, r = 0;
    const pdferr_confidence half = {PDFERR_CENTRAL, 0.5};
    check(pdferr_replicas_mean(v, 8, &m, &err) == PDFERR_OK && m == 5, "mean");
    check(
        pdferr_replicas_standard_deviation(v, 8, &sd, &err) == PDFERR_OK && sd == sqrt(32.0 / 7.0),
        "standard deviation");
    check(pdferr_replicas_interval(v, 8, half, &low, &high, &err) == PDFERR_OK && low == 4 &&
              high == 5.5,
          "interval");
    check(pdferr_replicas_correlation(x, y, 4, &r, &err) == PDFERR_OK && r == 1, "correlation");
    check(pdferr_replicas_standard_deviation(v, 1, &sd, &err) == PDFERR_INVALID_ARGUMENT,
          "one value");
  }
  {
    /* Draws 0..599 in two partial results, one through its saved bytes. */
    pdferr_moments *a = NULL, *b = NULL, *c = NULL, *short_load = NULL;
    double rows[600], mean = 0;
    size_t size = 0;
    unsigned char* bytes;
    int d;
    for (d = 0; d < 600; ++d) rows[d] = d;
    check(pdferr_moments_open(1, 0, 0, PDFERR_ON_BAD_ERROR, &a, &err) == PDFERR_OK, "open a");
    check(
        pdferr_moments_open(1, 0, 100, PDFERR_ON_BAD_ERROR, &c, &err) == PDFERR_INVALID_ARGUMENT &&
            c == NULL,
        "first draw off a block boundary");
    check(pdferr_moments_open(1, 0, 512, PDFERR_ON_BAD_ERROR, &b, &err) == PDFERR_OK, "open b");
    pdferr_moments_add(a, rows, 512, &err);
    pdferr_moments_add(b, rows + 512, 88, &err);
    check(pdferr_moments_save(b, NULL, 0, &size, &err) == PDFERR_OK && size > 0, "size");
    bytes = malloc(size);
    check(pdferr_moments_save(b, bytes, size, &size, &err) == PDFERR_OK, "save");
    check(pdferr_moments_load(bytes, size, PDFERR_ON_BAD_ERROR, &c, &err) == PDFERR_OK, "load");
    check(pdferr_moments_load(bytes, size - 1, PDFERR_ON_BAD_ERROR, &short_load, &err) ==
              PDFERR_INVALID_ARGUMENT,
          "load short");
    check(pdferr_moments_merge(a, c, &err) == PDFERR_OK, "merge");
    check(pdferr_moments_mean(a, 0, &mean, &err) == PDFERR_OK && mean == 299.5, "mean of draws");
    check(pdferr_moments_merge(a, c, &err) == PDFERR_INVALID_ARGUMENT, "merge twice");
    free(bytes);
    pdferr_moments_close(a, NULL);
    pdferr_moments_close(b, NULL);
    pdferr_moments_close(c, NULL);
  }
  {
    const char text[] =
        "pdferr-members 1\nsource table\nhessian 1 sigma\ncentral 100\n"
        "pair 1 101 102\npair 2 103 \"dir/x.pds\"\n";
    const char broken[] = "pdferr-members 1\nsource table\nhessian 90%\ncentral 99\n";
    pdferr_member_set* set = NULL;
    pdferr_member_set_info info;
    pdferr_member m;
    check(pdferr_member_set_parse(text, strlen(text), "sets", &set, &err) == PDFERR_OK, "parse");
    check(pdferr_member_set_get_info(set, &info, &err) == PDFERR_OK, "info");
    check(info.kind == PDFERR_SET_HESSIAN && info.source == PDFERR_SOURCE_TABLE &&
              info.pairs == 2 && info.size == 5 && info.confidence.kind == PDFERR_SIGMAS &&
              info.confidence.value == 1.0 && strcmp(info.directory, "sets") == 0,
          "info fields");
    check(pdferr_member_set_member(set, 2, &m, &err) == PDFERR_OK && m.numbered && m.number == 102,
          "member 2");
    check(pdferr_member_set_member(set, 4, &m, &err) == PDFERR_OK && !m.numbered &&
              strcmp(m.path, "sets/dir/x.pds") == 0,
          "member 4");
    check(pdferr_member_set_member(set, 5, &m, &err) == PDFERR_INVALID_ARGUMENT, "member 5");
    pdferr_member_set_close(set, NULL);
    set = NULL;
    check(pdferr_member_set_parse(broken, strlen(broken), NULL, &set, &err) == PDFERR_FILE_ERROR &&
              err.line == 4 && set == NULL,
          "parse error: line");
    check(strstr(err.message, "<text>, line 4, central: table set 99 does not exist") != NULL,
          "parse error: message");
  }
  if (failures == 0) printf("uncertainty C interface test passed\n");
  return failures == 0 ? 0 : 1;
}
