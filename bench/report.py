#!/usr/bin/env python3
"""Markdown table of benchmark medians and ratios against their peers.

Reads the JSON files of Google Benchmark runs made with repetitions and
writes one row per comparison: our median, the peer's median from the same
run, the ratio (peer time / our time: above 1 means we are faster) and the
target.  Times are per item: per number, deviate or evaluation where the
benchmark counts items, else per call.
"""
import json
import platform
import sys

# (label, our benchmark, peer benchmark, peer label, target ratio or text)
ROWS = [
    ("ranmar, nvec = 1", "BM_ranmar/1", "BM_gsl_ranmar/1", "GSL ranmar", 3),
    ("ranmar, nvec = 2", "BM_ranmar/2", "BM_gsl_ranmar/2", "GSL ranmar", 3),
    ("ranmar, nvec = 100", "BM_ranmar/100", "BM_gsl_ranmar/100", "GSL ranmar", None),
    ("ranmar, nvec = 4096", "BM_ranmar/4096", "BM_gsl_ranmar/4096", "GSL ranmar", 20),
    ("ranmar, nvec = 1", "BM_ranmar/1", "BM_mt19937_float/1", "mt19937 float", None),
    ("ranmar, nvec = 4096", "BM_ranmar/4096", "BM_mt19937_float/4096", "mt19937 float", None),
    ("rmarin, 10^3", "BM_rmarin/1000", "BM_rmarin_stepping/1000", "stepping", None),
    ("rmarin, 10^6", "BM_rmarin/1000000", "BM_rmarin_stepping/1000000", "stepping", None),
    ("rmarin, 10^9", "BM_rmarin/1000000000",
     "BM_rmarin_stepping/1000000000/iterations:1", "stepping", None),
    ("rmarin, 2·10^9 + 5", "BM_rmarin/2000000005", None, None, "< 1 ms"),
    ("gaudev, 100 per call", "BM_gaudev/100", "BM_gsl_ratio_method/100", "GSL ratio method", 3),
    ("gaudev, 100 per call", "BM_gaudev/100", "BM_std_normal_float/100",
     "std::normal_distribution<float>", None),
    ("gaudev, 1 per call", "BM_gaudev/1", "BM_gsl_ratio_method/1", "GSL ratio method", None),
    ("Generator::normal, 10^5 per call", "BM_generator_normal/100000",
     "BM_gsl_ratio_method/100000", "GSL ratio method", 4),
    ("Generator::normal, 10^5 per call", "BM_generator_normal/100000", "BM_gaudev/100",
     "gaudev, 100 per call", None),
    ("corset, np = 3", "BM_corset/3", "BM_gsl_cholesky/3", "GSL Cholesky", None),
    ("corset, np = 10", "BM_corset/10", "BM_gsl_cholesky/10", "GSL Cholesky", None),
    ("corset, np = 100", "BM_corset/100", "BM_gsl_cholesky/100", "GSL Cholesky", 1),
    ("corset, np = 100", "BM_corset/100", "BM_eigen_llt/100", "Eigen LLT", None),
    ("mvndev, np = 3", "BM_mvndev/3", "BM_gsl_multivariate_gaussian/3", "GSL mv. Gaussian", None),
    ("mvndev, np = 10", "BM_mvndev/10", "BM_gsl_multivariate_gaussian/10", "GSL mv. Gaussian",
     None),
    ("mvndev, np = 100", "BM_mvndev/100", "BM_gsl_multivariate_gaussian/100", "GSL mv. Gaussian",
     5),
    ("Generator::correlated, np = 100, 10^4 vectors", "BM_generator_correlated/100/10000",
     "BM_gsl_multivariate_gaussian/100", "GSL mv. Gaussian", 4),
    ("Generator::correlated, np = 100, 10^4 vectors", "BM_generator_correlated/100/10000",
     "BM_mvndev/100", "mvndev, np = 100", None),
    ("Generator::correlated, np = 3, 10^4 vectors", "BM_generator_correlated/3/10000",
     "BM_gsl_multivariate_gaussian/3", "GSL mv. Gaussian", None),
    ("cholesky (checked), np = 100", "BM_cholesky/100", "BM_gsl_cholesky/100", "GSL Cholesky",
     None),
    ("rmarin, NB = 0 (and 12345)", "BM_rmarin_blocks/0", "BM_rmarin_lines/0",
     "its 2 lines alone", None),
    ("rmarin, NB = 10^3 (and 12345)", "BM_rmarin_blocks/1000", "BM_rmarin_lines/1000",
     "its 1002 lines alone", None),
    ("rmarin, NB = 10^5 (and 12345)", "BM_rmarin_blocks/100000", "BM_rmarin_lines/100000",
     "its 100002 lines alone", None),
    ("zemopdf, new point", "BM_zemopdf_new_point", "BM_gsl_bicubic", "GSL bicubic interp2d", 0.75),
    ("zemopdf, new Q at the same x", "BM_zemopdf_q_scan", "BM_zemopdf_new_point",
     "zemopdf, new point", None),
    ("zemopdf, further flavour", "BM_zemopdf_cached_flavour", "BM_zemopdf_new_point",
     "zemopdf, new point", 10),
    ("setzemo, 55275 values", "BM_setzemo", "BM_strtod_table", "strtod of the file", 3),
    ("TableSet load, 55275 values", "BM_table_set_load", "BM_strtod_table", "strtod of the file",
     3),
    ("TableSet::value, new point", "BM_table_set_new_point", "BM_gsl_bicubic",
     "GSL bicubic interp2d", None),
    ("pelkfit", "BM_pelkfit", "BM_gsl_bilinear_six", "6 × GSL bilinear interp2d", 2),
    ("pelkini", "BM_pelkini", "BM_strtod_grid", "strtod of the fields", 3),
    ("GridMember values", "BM_grid_member_values", "BM_pelkfit", "pelkfit", None),
    ("GridMember load", "BM_grid_member_load", "BM_pelkini", "pelkini", None),
    ("uncertainty::normal_quantile", "BM_normal_quantile", "BM_gsl_ugaussian_pinv",
     "GSL ugaussian_Pinv", None),
    ("Moments mean and sd, 10^5 draws", "BM_mean_sd/100000", "BM_gsl_mean_sd/100000",
     "GSL mean and sd", None),
    ("central_interval, 10^4 replicas", "BM_central_interval/10000",
     "BM_gsl_sorted_quantiles/10000", "gsl_sort and 2 GSL quantiles", None),
    ("correlation, 10^5 draws", "BM_correlation/100000", "BM_gsl_correlation/100000",
     "GSL correlation", None),
    ("hessian, 50 pairs, per point of 1000", "BM_hessian", "BM_eigen_column_norms",
     "Eigen column norms (symmetric only)", None),
    ("Monte Carlo band, 50 points, 4 coefficients, per draw of 10^5", "BM_mc_band/100000",
     "BM_gsl_mc_band<false>/100000", "GSL draws, sort and quantiles", None),
    ("Monte Carlo band, 50 points, 4 coefficients, per draw of 10^5", "BM_mc_band/100000",
     "BM_gsl_mc_band<true>/100000", "GSL draws, std::nth_element", None),
    ("log (correctly rounded)", "BM_cr_log", "BM_libc_log", "glibc log", 0.77),
    ("logf (correctly rounded)", "BM_cr_logf", "BM_libc_logf", "glibc logf", 0.77),
    ("exp (correctly rounded)", "BM_cr_exp", "BM_libc_exp", "glibc exp", 0.77),
    ("x^0.3 (correctly rounded)", "BM_cr_pow03", "BM_libc_pow03", "glibc pow(x, 0.3)", 0.77),
    ("erf", "BM_cr_erf", "BM_libc_erf", "glibc erf", None),
    ("log, array form", "BM_array_log", "BM_libc_log", "glibc log", 2),
    ("x^0.3, array form", "BM_array_pow03", "BM_libc_pow03", "glibc pow(x, 0.3)", 3),
    ("x^0.5, array form (square root)", "BM_array_sqrt", "BM_libc_pow05", "glibc pow(x, 0.5)", 8),
    ("exp, array form", "BM_array_exp", "BM_libc_exp", "glibc exp", None),
    ("logf, array form", "BM_array_logf", "BM_libc_logf", "glibc logf", None),
    ("TableSet::values, 11 flavours at a new point", "BM_table_set_all_flavours",
     "BM_zemopdf_all_flavours", "11 zemopdf calls", 3.5),
    ("TableSet::value, 1000 x at one Q", "BM_table_set_scan", "BM_gsl_bicubic_scan",
     "GSL bicubic, same scan", 2),
    ("the same scan: x^0.3 alone", "BM_pow_scan", "BM_gsl_bicubic_scan",
     "GSL bicubic, same scan", None),
    ("GridMember::values, 1000 x at one Q2", "BM_grid_member_scan", "BM_gsl_bilinear_six_scan",
     "6 × GSL bilinear, same scan", 3.5),
    ("the same scan: ln x and x^0.5 alone", "BM_log_pow_scan", "BM_gsl_bilinear_six_scan",
     "6 × GSL bilinear, same scan", None),
]

# Throughput rows: (label, benchmark with more threads, benchmark with one).
THROUGHPUT = [
    ("Generator::normal, own generators, 2 threads vs 1",
     "BM_generator_normal_threads/real_time/threads:2",
     "BM_generator_normal_threads/real_time/threads:1", "≈ 1.8"),
    ("TableSet::value, own caches, 2 threads vs 1",
     "BM_table_set_threads/real_time/threads:2", "BM_table_set_threads/real_time/threads:1",
     "≈ 2"),
    ("TableSet::value, 1000 x at one Q, one loaded set, 2 threads vs 1",
     "BM_table_set_scan_threads/real_time/threads:2",
     "BM_table_set_scan_threads/real_time/threads:1", "≈ 1.8"),
    ("GridMember::values, 1000 x at one Q2, one loaded member, 2 threads vs 1",
     "BM_grid_member_scan_threads/real_time/threads:2",
     "BM_grid_member_scan_threads/real_time/threads:1", "≈ 1.8"),
]

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load(paths):
    medians, context = {}, None
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = context or data["context"]
        for b in data["benchmarks"]:
            if b.get("aggregate_name", "median") != "median":
                continue
            medians[b["run_name"]] = b
    return medians, context


def per_item_ns(b):
    if "items_per_second" in b:
        return 1e9 / b["items_per_second"]
    return b["cpu_time"] * UNIT_NS[b["time_unit"]]


def show(ns):
    if ns >= 1e9:
        return f"{ns / 1e9:.3g} s"
    if ns >= 1e6:
        return f"{ns / 1e6:.3g} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.3g} µs"
    return f"{ns:.3g} ns"


def main(paths):
    medians, context = load(paths)
    print("| path | median | peer | peer median | peer / ours | target | met |")
    print("|---|---:|---|---:|---:|---:|:-:|")
    for label, ours, peer, peer_label, target in ROWS:
        if ours not in medians:
            continue
        t = per_item_ns(medians[ours])
        if peer is None or peer not in medians:
            met = ""
            if isinstance(target, str) and target.startswith("< 1 ms"):
                met = "yes" if t < 1e6 else "no"
            print(f"| {label} | {show(t)} | | | | {target or ''} | {met} |")
            continue
        p = per_item_ns(medians[peer])
        ratio = p / t
        goal = f"≥ {target}" if isinstance(target, (int, float)) else (target or "")
        met = "" if target is None else ("yes" if ratio >= target else "no")
        print(f"| {label} | {show(t)} | {peer_label} | {show(p)} | {ratio:.2f} | {goal} | {met} |")
    for label, many, one, target in THROUGHPUT:
        if many in medians and one in medians:
            ratio = medians[many]["items_per_second"] / medians[one]["items_per_second"]
            print(f"| {label} | | | | {ratio:.2f} (throughput) | {target} | |")
    cpu = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    loads = ", ".join(f"{x:.2f}" for x in context.get("load_avg", []))
    print()
    print(f"Machine: {cpu}, {context.get('num_cpus')} CPUs "
          f"(shared with other work; load average {loads} at the start); "
          f"medians of 5 repetitions in random order, {context.get('date', '')[:10]}.")


if __name__ == "__main__":
    main(sys.argv[1:])
