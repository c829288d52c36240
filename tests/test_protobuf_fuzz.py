"""Random mutations of valid encodings: every one ends in an object or in one
of the documented exceptions, never in a crash or a hang."""
import random

import pytest

import forvela as fv
from protobuf_models import build

M = build()
SEEDS = [M["problem"], *M["constraints"].values(), *M["terms"].values(), *M["exprs"].values(),
         *M["conditions"].values()]
EXPECTED = (fv.ProtobufDeserializationError, fv.ModelingError, ValueError)


def mutate(rng, data):
    data = bytearray(data)
    for _ in range(rng.randint(1, 4)):
        op = rng.randrange(6)
        pos = rng.randrange(len(data) + 1)
        if op == 0 and data:  # flip bits
            data[min(pos, len(data) - 1)] ^= 1 << rng.randrange(8)
        elif op == 1 and data:  # set a byte to an interesting value
            data[min(pos, len(data) - 1)] = rng.choice([0, 1, 2, 0x7F, 0x80, 0xFF, rng.randrange(256)])
        elif op == 2:  # insert random bytes
            data[pos:pos] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 4)))
        elif op == 3:  # delete a run
            del data[pos:pos + rng.randint(1, 8)]
        elif op == 4:  # duplicate a run (repeated fields, merges)
            run = data[pos:pos + rng.randint(1, 16)]
            at = rng.randrange(len(data) + 1)
            data[at:at] = run
        else:  # truncate
            del data[pos:]
    return bytes(data)


@pytest.mark.parametrize("seed", range(4))
def test_mutated_encodings(seed):
    rng = random.Random(seed)
    encodings = [fv.to_protobuf(obj) for obj in SEEDS]
    outcomes = {"ok": 0, "refused": 0}
    for _ in range(1000):
        data = mutate(rng, rng.choice(encodings))
        try:
            obj = fv.from_protobuf(data)
        except EXPECTED:
            outcomes["refused"] += 1
            continue
        outcomes["ok"] += 1
        # Whatever was read is a sound value: it prints and writes again.
        try:
            str(obj) if not isinstance(obj, (fv.Problem, fv.CustomPenaltyTerm)) else obj._repr_latex_()
        except RecursionError:
            pass
        try:
            data = fv.to_protobuf(obj)
        except fv.ProtobufSerializationError:  # an element over a subscripted variable
            continue
        assert type(fv.from_protobuf(data)) is type(obj)
    assert outcomes["ok"] and outcomes["refused"]
