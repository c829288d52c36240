"""to_protobuf and from_protobuf of models of about 10^4 to 10^6 expression nodes,
in MB/s, beside Google's protobuf runtime parsing and serializing the same
bytes with the same schema.

Run with `python bench/protobuf.py` (needs `protobuf` and `grpcio-tools`,
which compiles src/protobuf/forvela.proto for the runtime).
"""
import importlib
import pathlib
import sys
import tempfile

import forvela as fv
from timing import best, slope


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
    pb2 = oracle()
    from google.protobuf.internal import api_implementation

    print(f"protobuf runtime: {api_implementation.Type()}\n")
    print(f"| {'side':<28} | {'nodes':>7} | {'bytes':>9} | {'ms':>8} | {'MB/s':>7} |")
    print(f"|{'-' * 30}|{'-' * 9}|{'-' * 11}|{'-' * 10}|{'-' * 9}|")
    curves = {}
    for terms in (1_250, 12_500, 125_000):
        p = model(terms)
        data = fv.to_protobuf(p)
        h = pb2.Header()
        h.ParseFromString(data)
        nodes = len(h.problem.objective_function.expr_nodes)
        repeat = 5 if terms < 125_000 else 2
        rows = [
            ("forvela to_protobuf", best(lambda: fv.to_protobuf(p), repeat)),
            ("forvela from_protobuf", best(lambda: fv.from_protobuf(data), repeat)),
            ("protobuf SerializeToString", best(lambda: h.SerializeToString(), repeat)),
            ("protobuf ParseFromString", best(lambda: pb2.Header().ParseFromString(data), repeat)),
        ]
        for name, t in rows:
            curves.setdefault(name, []).append((len(data), t))
            print(f"| {name:<28} | {nodes:>7} | {len(data):>9} | {t * 1e3:>8.2f} | {len(data) / 1e6 / t:>7.1f} |")
    for name, points in curves.items():
        print(f"| {name + ' slope':<28} | {'':>7} | {'':>9} | {slope(points):>8.2f} | {'':>7} |")


if __name__ == "__main__":
    main()
