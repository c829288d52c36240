"""to_protobuf and from_protobuf of a model of about 10^5 expression nodes,
in MB/s, beside Google's protobuf runtime parsing and serializing the same
bytes with the same schema.

Run with `python bench/protobuf.py` (needs `protobuf` and `grpcio-tools`,
which compiles src/protobuf/forvela.proto for the runtime).
"""
import gc
import importlib
import pathlib
import sys
import tempfile
import time

import forvela as fv


def best(fn, repeat=5):
    times = []
    for _ in range(repeat):
        gc.collect()
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def model(n):
    N = fv.Placeholder("N")
    w = fv.Placeholder("w", ndim=1)
    c = fv.Placeholder("c", ndim=2)
    x = fv.BinaryVar("x", shape=[N])
    y = fv.IntegerVar("y", shape=[N], lower_bound=0, upper_bound=w)
    i = fv.Element("i", belong_to=(0, N))
    objective = 0
    for k in range(n):
        objective = objective + w[k] * x[k] + c[k, k + 1] * y[k]
    p = fv.Problem("bench", sense=fv.ProblemSense.MAXIMIZE)
    p += objective
    p += fv.Constraint("capacity", fv.sum(i, w[i] * x[i]) <= N)
    p += fv.Constraint("link", x[i] <= y[i], forall=[i])
    p += fv.CustomPenaltyTerm("one", (fv.sum(i, x[i]) - 1) ** 2)
    return p


def oracle():
    from grpc_tools import protoc

    schema = pathlib.Path(__file__).resolve().parent.parent / "src" / "protobuf"
    out = tempfile.mkdtemp()
    assert protoc.main(["protoc", f"-I{schema}", f"--python_out={out}", str(schema / "forvela.proto")]) == 0
    sys.path.insert(0, out)
    return importlib.import_module("forvela_pb2")


def main():
    p = model(12_500)
    data = fv.to_protobuf(p)
    pb2 = oracle()
    h = pb2.Header()
    h.ParseFromString(data)
    nodes = len(h.problem.objective_function.expr_nodes)
    mb = len(data) / 1e6
    print(f"model: {nodes} objective nodes, {len(data)} bytes")

    rows = [
        ("forvela to_protobuf", best(lambda: fv.to_protobuf(p))),
        ("forvela from_protobuf", best(lambda: fv.from_protobuf(data))),
        ("protobuf SerializeToString", best(lambda: h.SerializeToString())),
        ("protobuf ParseFromString", best(lambda: pb2.Header().ParseFromString(data))),
    ]
    from google.protobuf.internal import api_implementation

    print(f"protobuf runtime: {api_implementation.Type()}")
    for name, t in rows:
        print(f"{name:28s} {t * 1e3:8.2f} ms {mb / t:8.1f} MB/s")


if __name__ == "__main__":
    main()
