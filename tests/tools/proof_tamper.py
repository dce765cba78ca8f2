"""Writes the worked example of the proof file with one change, as somebody editing it might.

usage: proof_tamper.py EXAMPLE KIND sealed|raw OUT
"sealed" writes a new checksum over the change (an edit on purpose), "raw" keeps the old one (an edit by hand).
"""
import hashlib
import json
import sys

ZHANG = {"place": 1, "code": "", "factory": "一厂", "name": "张三", "how": "随机"}
# First in canonical order: names come before departments.
ZHANG_YI = ["", "一厂", "财务部", "张一"]
OTHER_SEED = bytes(range(1, 33))


def roster_sha256(rows):
    data = b"".join(len(t.encode()).to_bytes(4, "big") + t.encode() for row in rows for t in row)
    return hashlib.sha256(data).hexdigest()


def set_rows(doc, rows):
    doc["rosters"][0].update(rows=rows, sha256=roster_sha256(rows))


def press(doc):
    return doc["presses"][0]


def next_press(doc, *winners, **changes):
    """A second press of the same seed: 二等奖, two candidates a place."""
    empty = {name: [] for name in press(doc)["changes"]}
    doc["presses"].append({"number": 2, "seed": 1, "roster": 1, "when": "2026-12-09 20:10:00", "item": 2,
                           "item_name": "二等奖", "prize": "电饭煲", "scope": [], "places": len(winners), "candidates": 2,
                           "changes": dict(empty, **changes),
                           "winners": [dict(w, place=n, how="随机") for n, w in enumerate(winners, 1)]})


def after_unrevealed(doc):
    doc["seeds"].append({"number": 2, "commitment": hashlib.sha256(OTHER_SEED).hexdigest(), "seed": None,
                         "made": "2026-12-09 19:30:00", "revealed": None})
    press(doc)["seed"] = 2
    # Its winners have still won: 张三 and 赵六 are left.
    next_press(doc, ZHANG)


EDITS = {
    "same": lambda d: None,
    "swapped": lambda d: press(d)["winners"].__setitem__(0, ZHANG),
    "renamed": lambda d: press(d)["winners"][0].update(name="李肆"),
    "again": lambda d: press(d)["winners"].append(dict(ZHANG, place=3, code="1001", name="李四")),
    "added": lambda d: set_rows(d, [ZHANG_YI] + d["rosters"][0]["rows"]),
    "added_unhashed": lambda d: d["rosters"][0]["rows"].insert(0, ZHANG_YI),
    "unordered": lambda d: set_rows(d, d["rosters"][0]["rows"] + [ZHANG_YI]),
    # 张三 of another department is still one person.
    "second_row": lambda d: set_rows(d, d["rosters"][0]["rows"][:1] + [["", "一厂", "财务部", "张三"]]
                                     + d["rosters"][0]["rows"][1:]),
    "unexcluded": lambda d: press(d)["changes"]["excluded_added"].clear(),
    "designated_elsewhere": lambda d: press(d)["changes"]["designated_added"][0].__setitem__(3, 2),
    "scoped": lambda d: press(d).update(scope=[["", "生产部"], ["三厂", ""]]),
    "nobody": lambda d: press(d).update(scope=[["三厂", ""]]),
    "reseeded": lambda d: d["seeds"][0].update(seed=OTHER_SEED.hex()),
    "recommitted": lambda d: d["seeds"][0].update(seed=OTHER_SEED.hex(),
                                                  commitment=hashlib.sha256(OTHER_SEED).hexdigest()),
    "unrevealed": lambda d: d["seeds"][0].update(seed=None, revealed=None),
    "outside": lambda d: d["after_last_press"]["changes"]["winners_added"].append(["3001", "三厂", "孙九", 1]),
    # Everything undone before the second press: all five may be drawn, and the seed gives 陈七, then 李四.
    "next": lambda d: next_press(d, {"code": "2001", "factory": "二厂", "name": "陈七"},
                                 {"code": "1001", "factory": "一厂", "name": "李四"},
                                 winners_removed=[["1001", "一厂", "李四", 1, "删除"],
                                                  ["2001", "二厂", "陈七", 1, "删除"]],
                                 excluded_removed=[["1002", "一厂", "王五"]],
                                 designated_removed=[["2001", "二厂", "陈七", 1]]),
    "after_unrevealed": after_unrevealed,
    "renumbered": lambda d: (next_press(d, ZHANG), d["presses"][1].update(number=1)),
    "version": lambda d: d.update(version=2),
    "format": lambda d: d.update(format="prizedraw-log"),
    "no_roster": lambda d: press(d).update(roster=2),
    "float": lambda d: press(d).update(candidates=2.0),
}
# Edits of the bytes, before the checksum is written.
TEXT_EDITS = {"twice": lambda t: t.replace('"version": 1', '"version": 1, "version": 1')}


def main(example, kind, seal, out):
    original = open(example, "rb").read()
    doc = json.loads(original)
    checksum = doc.pop("checksum")
    if kind not in EDITS and kind not in TEXT_EDITS and kind not in ("cut", "bare"):
        sys.exit(f"proof_tamper.py: no edit named {kind}")
    EDITS.get(kind, lambda d: None)(doc)
    body = TEXT_EDITS.get(kind, lambda t: t)(json.dumps(doc, ensure_ascii=False)[:-1] + ",")
    if seal == "sealed":
        checksum = hashlib.sha256(body.encode()).hexdigest()
    data = (body + f'"checksum":"{checksum}"}}\n').encode()
    if kind == "cut":
        data = original[: len(original) // 2]
    elif kind == "bare":
        data = original.rstrip(b"\n")
    open(out, "wb").write(data)


if __name__ == "__main__":
    main(*sys.argv[1:])
