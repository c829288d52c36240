"""Fuzzing of the readers of untrusted input: `from_protobuf` and every
`from_json`.

    python fuzz/harness.py TARGET CORPUS_DIR [libFuzzer flags...]

TARGET is `protobuf` or the name of a result class. The corpus folder is
seeded with valid encodings and texts before the run. Every input must end in
a value or in one of the reader's documented exceptions; anything else (a
crash, another exception, a hang past `-timeout`, memory past `-rss_limit_mb`)
is a finding.

Against the plain module the fuzzer mutates blind. Built by `fuzz/run`
(clang, `-fsanitize=fuzzer-no-link,address`), the module reports its own
coverage to libFuzzer, which then keeps the inputs that reach new code.
"""
import json
import math
import pathlib
import sys

import atheris

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))

import forvela as fv  # noqa: E402

from targets import JSON_CLASSES, TARGETS  # noqa: E402


def sample_set():
    return fv.SampleSet.from_dict(
        {
            "record": {
                "solution": {
                    "x": [(([0, 1], [2, 0]), [1.0, 2.5], (3, 3)), (([1], [1]), [4.0], (3, 3))],
                    "y": [(([],), [], ()), (([],), [], ())],
                },
                "num_occurrences": [2, 1],
            },
            "evaluation": {
                "energy": [1.0, -2.5],
                "objective": [1.0, 0.5],
                "constraint_violations": {"c": [0.0, 1.5]},
                "constraint_forall": {"c": [[0, 1], [1, 2]]},
                "constraint_values": [{"c": [0.0, 1.0]}, {"c": [0.5, 1.0]}],
                "penalty": {"p": [0.0, 3.0]},
            },
            "measuring_time": {
                "solve": {"solve": 0.25, "embedding": 1e-3},
                "system": {"system": 0.5, "sampling": None, "postprocess": 2.0},
                "total": 1.75,
            },
            "metadata": {"solver": "fuzz", "tags": ["a", 1, None, True]},
        }
    )


def dense_sample_set():
    import numpy as np

    record = fv.Record(
        {"x": [np.array([[0.0, 1.0], [2.0, 3.0]]), np.array([[1.0, 0.0], [0.0, 0.0]])],
         "y": [np.array(5.0), np.array(1.0)], "z": [np.zeros((2, 0)), np.zeros((2, 0))]},
        [1, 2],
    )
    return fv.SampleSet(record, fv.Evaluation(energy=[0.5, -1.0], objective=[0.5, -1.0]), fv.MeasuringTime(), {})


def json_seeds(name):
    seeds = []
    for ss in (sample_set(), dense_sample_set()):
        parts = {
            "SampleSet": ss,
            "Record": ss.record,
            "Evaluation": ss.evaluation,
            "MeasuringTime": ss.measuring_time,
            "SolvingTime": ss.measuring_time.solve,
            "SystemTime": ss.measuring_time.system,
        }
        seeds.append(parts[name].to_json().encode())
    return seeds


def protobuf_seeds():
    from protobuf_models import build

    models = build()
    values = [models["problem"], *models["constraints"].values(), *models["terms"].values(),
              *models["exprs"].values(), *models["conditions"].values()]
    return [fv.to_protobuf(v) for v in values]


def seeds(target):
    return protobuf_seeds() if target == "protobuf" else json_seeds(target)


def dictionary(target):
    """libFuzzer dictionary entries: every object key of the seed texts."""
    if target == "protobuf":
        return []
    keys = set()

    def collect(value):
        if isinstance(value, dict):
            for k, v in value.items():
                keys.add(k)
                collect(v)
        elif isinstance(value, list):
            for v in value:
                collect(v)

    for text in seeds(target):
        collect(json.loads(text))
    return sorted(json.dumps(k) for k in keys)


def is_empty_product_failure(error):
    return type(error).__qualname__ == "InternalFailure" and type(error).__module__ == "forvela" \
        and str(error) == "index out of bounds: the len is 0 but the index is 0"


def reader(target):
    if target == "protobuf":
        refused = (fv.ProtobufDeserializationError, fv.ModelingError, ValueError, RecursionError)

        def read(data):
            try:
                value = fv.from_protobuf(data)
            except refused:
                return
            # Whatever was read is a sound value: it prints and writes again.
            try:
                str(value) if hasattr(value, "__add__") else value._repr_latex_()
                fv.to_protobuf(value)
            except (RecursionError, fv.ProtobufSerializationError):
                pass
            except BaseException as error:
                # A product without factors, which only bytes can hold, has
                # no printed form: the module's internal failure says so.
                if not is_empty_product_failure(error):
                    raise

        return read

    cls = getattr(fv, target)
    refused = (ValueError, TypeError, KeyError, IndexError, OverflowError, MemoryError)

    def read(data):
        text = data.decode("utf-8", "replace")
        try:
            value = cls.from_json(text)
        except refused:
            return
        # Whatever was read writes again and reads back equal.
        try:
            text = value.to_json()
        except TypeError as error:
            # Ragged forall rows are kept as read and refused when written.
            if not str(error).startswith("invalid length: "):
                raise
            return
        back = cls.from_json(text)
        assert back.to_json() == text
        assert back == value
        if target in ("Record", "SampleSet"):
            check_dense_round_trip(cls, value)

    return read


def sample_shapes(record):
    for samples in record.solution.values():
        for sample in samples:
            yield tuple(sample.shape) if hasattr(sample, "shape") else tuple(sample[2])


def check_dense_round_trip(cls, value):
    """The dense form of what was read writes and reads back equal, when it
    is small. A SampleSet writes a dense array as nested lists, which keep
    no axis after an empty one and no kind for a solution without samples."""
    record = value if cls is fv.Record else value.record
    shapes = list(sample_shapes(record))
    if not shapes or any(len(shape) > 32 for shape in shapes) or sum(math.prod(s) for s in shapes) > 10**5:
        return
    if cls is fv.SampleSet and not all(all(shape) for shape in shapes):
        return
    try:
        dense = value.to_dense()
    except (IndexError, MemoryError):
        return  # entries that do not fit their shape
    assert cls.from_json(dense.to_json()) == dense


def write_seeds(target, corpus):
    corpus.mkdir(parents=True, exist_ok=True)
    for k, data in enumerate(seeds(target)):
        (corpus / f"seed-{k:03d}").write_bytes(data)


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in TARGETS:
        sys.exit(f"usage: {sys.argv[0]} {{{','.join(TARGETS)}}} CORPUS_DIR [libFuzzer flags...]")
    target, corpus = sys.argv[1], pathlib.Path(sys.argv[2])
    write_seeds(target, corpus)
    flags = sys.argv[3:]
    entries = dictionary(target)
    if entries:
        dict_file = corpus.parent / f"{target}.dict"
        dict_file.write_text("".join(f"{json.dumps(e)}\n" for e in entries))
        flags.append(f"-dict={dict_file}")
    read = reader(target)
    atheris.Setup([sys.argv[0], *flags, str(corpus)], read)
    atheris.Fuzz()


if __name__ == "__main__":
    main()
