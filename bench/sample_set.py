"""Sample-set benchmark: forvela's SampleSet beside dimod's on the same data.

Run from the repository root with forvela importable (installed, or the
development build on PYTHONPATH):

    python bench/sample_set.py            # first runs pip install -r bench/requirements.txt
                                          # when a peer is missing or older than listed
    PYTHONPATH=build/dev python bench/sample_set.py --repeat 5

The data: 10,000 samples of 1,000 binary variables, 50 constraints whose
violations are zero in about half of the samples; both sides hold the same
numbers (samples, occurrences, energy = objective, violations), so the
evaluation carries no forall rows or per-row constraint values, which
dimod has no place for. forvela holds the
samples as one variable x of shape (1000,), once in sparse and once in
dense form; dimod holds them as a 10,000 x 1,000 sample array with the
objective, one violation vector per constraint and the feasibility flag as
data vectors.

Pairs timed: feasible() and filter(is_feasible), lowest() and lowest(),
to_pandas() and to_pandas_dataframe(), to_dict() and to_serializable(),
to_json() and json.dumps(to_serializable()). Each time is the best of
--repeat runs, or of as many as a fifth of a second holds.

Floors, for the sparse forms whose prescribed Python objects dimod has no
need to make: a sparse sample is a tuple (a tuple of index lists, a list of
values, a shape tuple) in the dict form and in its pandas cell, and to_json
is orjson of that dict form. A floor times making just those objects the
cheapest plain way (new lists as slices of lists made beforehand, the
numeric pandas columns as numpy arrays, orjson over that dict), so it pays
what the objects themselves cost: allocation, the cycle collector walking
the new lists, and freeing them.
"""
from __future__ import annotations

import argparse
import importlib
import importlib.metadata
import importlib.util
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def requirements() -> list[tuple[str, tuple[int, ...]]]:
    """The packages of requirements.txt with their minimum versions."""
    out = []
    with open(os.path.join(HERE, "requirements.txt")) as f:
        for line in f:
            line = line.split("#")[0].strip()
            if line:
                name, _, version = line.partition(">=")
                out.append((name.strip(), tuple(int(p) for p in version.split(".")) if version else ()))
    return out


def version_of(name: str) -> tuple[int, ...] | None:
    try:
        text = importlib.metadata.version(name)
    except importlib.metadata.PackageNotFoundError:
        return None
    return tuple(int(p) for p in text.split(".")[:3] if p.isdigit())


def ensure_peers() -> None:
    """Installs the packages of requirements.txt that are missing or older."""
    needed = [name for name, minimum in requirements() if (version_of(name) or (-1,)) < minimum or
              version_of(name) is None]
    if needed:
        print(f"installing {', '.join(needed)} (bench/requirements.txt)", file=sys.stderr)
        subprocess.check_call([sys.executable, "-m", "pip", "install", "-q", "-r",
                               os.path.join(HERE, "requirements.txt")])
        importlib.invalidate_caches()


ensure_peers()

import json  # noqa: E402
import math  # noqa: E402

import dimod  # noqa: E402
import numpy as np  # noqa: E402

import forvela as fv  # noqa: E402

SAMPLES = 10_000
VARIABLES = 1_000
CONSTRAINTS = 50


def make_data(seed: int = 1, count: int = SAMPLES):
    rng = np.random.default_rng(seed)
    samples = rng.integers(0, 2, size=(count, VARIABLES), dtype=np.int8)
    objective = rng.integers(-20, 20, size=count).astype(np.float64)
    feasible = rng.random(count) < 0.5
    violations = rng.random((count, CONSTRAINTS)) * ~feasible[:, None]
    num_occurrences = rng.integers(1, 4, size=count)
    return samples, objective, violations, feasible, num_occurrences


def forvela_sample_set(samples, objective, violations, num_occurrences, dense: bool):
    if dense:
        solution = {"x": list(samples.astype(np.float64))}
    else:
        solution = {"x": [((np.flatnonzero(row).tolist(),), [1.0] * int(row.sum()), (VARIABLES,)) for row in samples]}
    record = fv.Record(solution, num_occurrences.tolist())
    names = [f"c{k:02d}" for k in range(CONSTRAINTS)]
    evaluation = fv.Evaluation(
        energy=objective,
        objective=objective,
        constraint_violations={name: violations[:, k] for k, name in enumerate(names)},
    )
    return fv.SampleSet(record, evaluation, fv.MeasuringTime(), {"solver": "bench"})


def dimod_sample_set(samples, objective, violations, feasible, num_occurrences):
    vectors = {f"violation_c{k:02d}": violations[:, k] for k in range(CONSTRAINTS)}
    return dimod.SampleSet.from_samples(
        (samples, list(range(VARIABLES))), dimod.BINARY, energy=objective,
        num_occurrences=num_occurrences, objective=objective, is_feasible=feasible,
        info={"solver": "bench"}, **vectors)


# Quick operations (lowest() takes well under a millisecond) run on until
# they have been timed for a fifth of a second, so that one slow run of
# three does not decide their row.
MIN_SECONDS = 0.2


def best_of(repeat: int, fn) -> float:
    best = float("inf")
    began = time.perf_counter()
    runs = 0
    while runs < repeat or (time.perf_counter() - began < MIN_SECONDS and runs < 1000):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
        runs += 1
    return best


def our_operations(ours):
    return {
        "feasible": lambda: ours.feasible(),
        "lowest": lambda: ours.lowest(),
        "to_pandas": lambda: ours.to_pandas(),
        "to_dict": lambda: ours.to_dict(),
        "to_json": lambda: ours.to_json(),
    }


def floor_operations(ours):
    """The floors of the sparse forms (see the module docstring)."""
    import orjson
    import pandas as pd

    solution = ours.record.solution
    made = {name: [(indices[0], values, shape[0]) for indices, values, shape in samples]
            for name, samples in solution.items()}
    counts = ours.record.num_occurrences
    evaluation = ours.evaluation
    measuring_time = ours.measuring_time.to_dict()
    metadata = ours.metadata

    def samples(name):
        return [((indices[:],), values[:], (size,)) for indices, values, size in made[name]]

    def to_dict():
        return {"record": {"solution": {name: samples(name) for name in made}, "num_occurrences": counts[:]},
                "evaluation": evaluation.to_dict(), "measuring_time": measuring_time, "metadata": metadata}

    def to_pandas():
        columns = {f"solution[{name}]": samples(name) for name in made}
        columns["num_occurrences"] = np.array(counts, dtype=np.int64)
        columns["energy"] = evaluation.energy
        columns["objective"] = evaluation.objective
        for name, values in evaluation.constraint_violations.items():
            columns[f"constraint_violation[{name}]"] = values
        return pd.DataFrame(columns)

    def to_json():
        return orjson.dumps(to_dict(), option=orjson.OPT_SERIALIZE_NUMPY).decode("utf-8")

    return {"to_pandas": to_pandas, "to_dict": to_dict, "to_json": to_json}


def growth(repeat: int) -> None:
    """forvela's times at three sample counts, and the slope of each step on
    log-log axes (1 = linear in the samples)."""
    sizes = (SAMPLES // 10, SAMPLES, 3 * SAMPLES)
    print(f"\nGrowth with the samples, forvela alone (ms at {', '.join(map(str, sizes))} samples)")
    header = f"{'operation':<22} {'ms':>9} {'ms':>9} {'ms':>9}   {'slope':>6} {'slope':>6}"
    print(header)
    print("-" * len(header))
    for form in ("sparse", "dense"):
        times: dict[str, list[float]] = {}
        for count in sizes:
            samples, objective, violations, _, num_occurrences = make_data(count=count)
            ours = forvela_sample_set(samples, objective, violations, num_occurrences, dense=form == "dense")
            for op, run in our_operations(ours).items():
                times.setdefault(op, []).append(best_of(repeat, run))
            del ours, samples
        for op, t in times.items():
            slopes = [math.log(t[k + 1] / t[k]) / math.log(sizes[k + 1] / sizes[k]) for k in range(2)]
            cells = " ".join(f"{x * 1e3:>9.2f}" for x in t)
            print(f"{op + '() [' + form + ']':<22} {cells}   {slopes[0]:>6.2f} {slopes[1]:>6.2f}")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=3, help="runs per operation (best is reported)")
    args = parser.parse_args()

    samples, objective, violations, feasible, num_occurrences = make_data()
    peer = dimod_sample_set(samples, objective, violations, feasible, num_occurrences)
    peer_ops = {
        "feasible": ("filter(is_feasible)", lambda: peer.filter(lambda d: d.is_feasible)),
        "lowest": ("lowest()", lambda: peer.lowest()),
        "to_pandas": ("to_pandas_dataframe()", lambda: peer.to_pandas_dataframe()),
        "to_dict": ("to_serializable()", lambda: peer.to_serializable()),
        "to_json": ("json.dumps(to_serializable())", lambda: json.dumps(peer.to_serializable())),
    }

    rows = []
    for form in ("sparse", "dense"):
        ours = forvela_sample_set(samples, objective, violations, num_occurrences, dense=form == "dense")
        assert len(ours.feasible().evaluation.energy) == int(feasible.sum())
        floors = floor_operations(ours) if form == "sparse" else {}
        for op, run in our_operations(ours).items():
            peer_name, peer_run = peer_ops[op]
            floor = best_of(args.repeat, floors[op]) if op in floors else None
            rows.append((f"{op}() [{form}]", best_of(args.repeat, run), peer_name, best_of(args.repeat, peer_run),
                         floor))

    print(f"SampleSet: {SAMPLES} samples x {VARIABLES} binary variables, {CONSTRAINTS} constraints "
          f"(forvela {fv.__version__}, dimod {dimod.__version__}; best of {args.repeat} or more)")
    header = (f"{'forvela':<22} {'ms':>9}   {'dimod':<31} {'ms':>9}   {'forvela/dimod':>13}"
              f"   {'floor ms':>9} {'forvela/floor':>13}")
    print(header)
    print("-" * len(header))
    for op, ours_s, peer_name, peer_s, floor in rows:
        tail = f"   {floor * 1e3:>9.1f} {ours_s / floor:>13.2f}" if floor is not None else ""
        print(f"{op:<22} {ours_s * 1e3:>9.1f}   {peer_name:<31} {peer_s * 1e3:>9.1f}   {ours_s / peer_s:>13.2f}"
              + tail)
    growth(args.repeat)


if __name__ == "__main__":
    main()
