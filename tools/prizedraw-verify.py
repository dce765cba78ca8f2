#!/usr/bin/python3
"""Replays every press of a prize draw's proof file and says whether each random winner follows from its seed.

Written from the proof file's format document alone, apart from the program's own verifier, so that the two check
each other. Standard library only.  Usage: python3 prizedraw-verify.py FILE.json
Exit status: 0 when every press is 一致, 1 when a press is 不一致 or 无法验证, 2 when the file is refused.
"""
import errno
import hashlib
import hmac
import itertools
import json
import re
import sys

HEX64 = re.compile(r"[0-9a-f]{64}")
TAIL = re.compile(rb'"checksum":"([0-9a-f]{64})"\}')  # 78 bytes
RANDOM, DESIGNATED = "随机", "指定"
KINDS = {"int": "0到2^53的整数", "text": "文本", "hex": "64位小写十六进制文本", "list": "数组", "object": "对象",
         "how": "\"随机\"或\"指定\""}
CHANGE_SHAPES = {"winners_added": "ttti", "winners_removed": "tttit", "excluded_added": "ttt",
                 "excluded_removed": "ttt", "designated_added": "ttti", "designated_removed": "ttti"}


class Refused(Exception):
    """The file cannot be replayed; the message says why."""


def need(condition, reason):
    if not condition:
        raise Refused(reason)


# The generator: HMAC-SHA256 keyed by the seed over the press, step and attempt numbers.
def block(seed, press, step, attempt):
    message = b"prizedraw-pick" + press.to_bytes(8, "big") + step.to_bytes(8, "big") + attempt.to_bytes(4, "big")
    return hmac.new(seed, message, hashlib.sha256).digest()


def value(seed, press, step, attempt):
    return int.from_bytes(block(seed, press, step, attempt)[:8], "big")


def below(seed, press, step, n):
    # Values at or above the last whole multiple of n are rejected, so that every index is equally likely.
    limit = 2**64 - 2**64 % n
    for attempt in itertools.count():
        v = value(seed, press, step, attempt)
        if v < limit:
            return v % n


def roster_sha256(rows):
    digest = hashlib.sha256()
    for row in rows:
        for text in row:
            data = text.encode("utf-8")
            digest.update(len(data).to_bytes(4, "big") + data)
    return digest.hexdigest()


# Reading and checking the file; nothing is replayed before all of it has passed.
def is_kind(v, kind):
    if kind == "int":
        return type(v) is int and 0 <= v <= 2**53
    if kind == "how":
        return v in (RANDOM, DESIGNATED)
    if kind in ("text", "hex"):
        try:  # a lone surrogate escaped as \ud800 is no character and has no UTF-8 bytes
            v.encode("utf-8")
        except (AttributeError, UnicodeEncodeError):
            return False
        return type(v) is str and (kind == "text" or HEX64.fullmatch(v) is not None)
    return type(v) is {"list": list, "object": dict}[kind]


def fields(obj, where, *spec):
    """The members named by spec ("number:int"; "seed:hex?" when it may be null), each of its kind."""
    need(type(obj) is dict, f"成员 {where} 不是对象")
    values = []
    for name, kind in (s.split(":") for s in spec):
        v, nullable, kind = obj.get(name), kind.endswith("?"), kind.rstrip("?")
        need(name in obj and (v is None and nullable or is_kind(v, kind)),
             f"成员 {where + '.' if where else ''}{name} 缺少或类型不对（应为{KINDS[kind]}{'或 null' if nullable else ''}）")
        values.append(v)
    return values


def entry(v, shape, where):
    """A fixed-length array such as a roster row ("tttt") or a winner added ("ttti": three texts, an item)."""
    kinds = [{"t": "text", "i": "int"}[c] for c in shape]
    need(type(v) is list and len(v) == len(kinds) and all(is_kind(x, k) for x, k in zip(v, kinds)),
         f"成员 {where} 不是由{'、'.join(KINDS[k] for k in kinds)}组成的数组")


def not_a_number(name):
    raise Refused(f"不是有效的JSON: {name} 不是JSON的数")


def unique_members(pairs):
    found = dict(pairs)
    if len(found) != len(pairs):
        # Readers disagree on which of two equal names counts, so the file must not have them.
        names = [name for name, _ in pairs]
        raise Refused(f"JSON对象中成员 {next(n for n in names if names.count(n) > 1)} 出现了两次")
    return found


def check_changes(obj, where):
    changes, = fields(obj, where, "changes:object")
    for name, shape in CHANGE_SHAPES.items():
        for i, e in enumerate(*fields(changes, f"{where}.changes", name + ":list")):
            entry(e, shape, f"{where}.changes.{name}[{i}]")
    return changes


def load(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        reason = {errno.ENOENT: "文件不存在", errno.EACCES: "没有读取权限", errno.EISDIR: "这是一个文件夹"}
        raise Refused(f"无法读取文件: {reason.get(e.errno, e.strerror)}") from e
    body = data[:-1] if data.endswith(b"\n") else data
    tail = TAIL.fullmatch(body[-78:])
    need(tail is not None, "文件不完整: 没有以校验和结尾（文件被截断了，请重新导出）")
    need(hashlib.sha256(body[:-78]).hexdigest() == tail.group(1).decode(),
         "校验和不符: 文件在导出后被改动过或已损坏，请使用导出的原文件")
    try:
        doc = json.loads(data.decode("utf-8"), object_pairs_hook=unique_members, parse_constant=not_a_number)
    except UnicodeDecodeError as e:
        raise Refused(f"不是UTF-8文本（第{e.start + 1}个字节）") from e
    except json.JSONDecodeError as e:
        raise Refused(f"不是有效的JSON（第{e.lineno}行第{e.colno}列）") from e
    except (ValueError, RecursionError) as e:
        raise Refused("不是有效的JSON（数字过长或嵌套过深）") from e
    need(type(doc) is dict, "不是JSON对象")
    need(doc.get("format") == "prizedraw-proof", "不是抽奖记录文件（format 不是 \"prizedraw-proof\"）")
    version = doc.get("version")
    need(type(version) is int and version == 1,
         f"格式版本 {json.dumps(version, ensure_ascii=False)} 不受支持（只认识版本 1），请用相应版本的验证工具")
    _, seed_list, roster_list, presses, after = fields(
        doc, "", "written:text", "seeds:list", "rosters:list", "presses:list", "after_last_press:object")

    seeds = {}
    for i, s in enumerate(seed_list):
        n, commitment, secret, _, revealed = fields(
            s, f"seeds[{i}]", "number:int", "commitment:hex", "seed:hex?", "made:text", "revealed:text?")
        need(n not in seeds, f"种子编号 {n} 出现了两次")
        need((secret is None) == (revealed is None), f"种子{n}的 seed 与 revealed 不一致（公布的种子才有公布时间）")
        need(secret is None or hashlib.sha256(bytes.fromhex(secret)).hexdigest() == commitment,
             f"种子{n}的SHA-256与抽奖前公示的承诺值不符")
        seeds[n] = None if secret is None else bytes.fromhex(secret)

    rosters = {}
    for i, r in enumerate(roster_list):
        n, sha, rows = fields(r, f"rosters[{i}]", "number:int", "sha256:hex", "rows:list")
        for j, row in enumerate(rows):
            entry(row, "tttt", f"rosters[{i}].rows[{j}]")
        need(n not in rosters, f"名单编号 {n} 出现了两次")
        # By factory, code, name, department, compared as UTF-8 bytes.
        order = [tuple(row[k].encode("utf-8") for k in (1, 0, 3, 2)) for row in rows]
        bad = next((j for j in range(1, len(rows)) if order[j - 1] > order[j]), None)
        if bad is not None:
            raise Refused(f"名单{n}的第{bad + 1}行不在规范顺序中（按厂别、工号、姓名、部门排列）")
        need(roster_sha256(rows) == sha, f"名单{n}的 sha256 与它的各行不符")
        rosters[n] = rows

    previous = 0
    for i, p in enumerate(presses):
        where = f"presses[{i}]"
        number, seed, roster, c, scope, winners = fields(
            p, where, "number:int", "seed:int", "roster:int", "candidates:int", "scope:list", "winners:list",
            "when:text", "item:int", "item_name:text", "prize:text", "places:int")[:6]
        for j, rule in enumerate(scope):
            entry(rule, "tt", f"{where}.scope[{j}]")
        check_changes(p, where)
        need(number > previous, f"抽取编号不是递增的: 第{previous}次之后是第{number}次" if previous else "抽取编号从1起")
        need(seed in seeds, f"第{number}次抽取所用的种子{seed}不在文件中")
        need(roster in rosters, f"第{number}次抽取所用的名单{roster}不在文件中")
        need(c >= 1, f"第{number}次抽取的 candidates 为 0（每位至少有一个候选）")
        for j, w in enumerate(winners):
            place, = fields(w, f"{where}.winners[{j}]", "place:int", "code:text", "factory:text", "name:text",
                            "how:how")[:1]
            # The step number must fit the generator's eight bytes.
            need(1 <= place and place * c <= 2**64, f"成员 {where}.winners[{j}].place 超出范围")
        previous = number
    return seeds, rosters, presses, check_changes(after, "after_last_press")


# The replay.
def key(code, factory, name):
    # A person with a code is known by code and factory, one without by factory and name. One text (quick to find
    # in a set): the letter keeps the two kinds apart, the length where the first part ends, whatever the texts hold.
    return f"c{len(code)}:{code}{factory}" if code else f"n{len(factory)}:{factory}{name}"


def show(name, factory, code):
    inner = " ".join(t for t in (factory, code) if t)
    return f"{name}（{inner}）" if inner else name


def people(rows):
    """Each person's key, shown name and the (factory, department) of each row, in canonical order."""
    found = {}
    for code, factory, department, name in rows:
        person = found.setdefault(key(code, factory, name), (show(name, factory, code), []))
        person[1].append((factory, department))
    return [(k, shown, places) for k, (shown, places) in found.items()]


def in_scope(places, scope):
    return not scope or any(f in ("", pf) and d in ("", pd) for f, d in scope for pf, pd in places)


def apply(changes, winners, excluded, designated):
    for name, target in (("winners", winners), ("excluded", excluded)):
        target.difference_update(key(*e[:3]) for e in changes[name + "_removed"])
        target.update(key(*e[:3]) for e in changes[name + "_added"])
    designated.difference_update((key(*e[:3]), e[3]) for e in changes["designated_removed"])
    designated.update((key(*e[:3]), e[3]) for e in changes["designated_added"])


def replay(seeds, rosters, presses, after):
    won, excluded, designated = set(), set(), set()
    pools = {}  # the people of a roster in a scope, for each roster and scope met
    results = {"一致": 0, "不一致": 0, "无法验证": 0}
    for press in presses:
        apply(press["changes"], won, excluded, designated)
        line = f"第{press['number']}次 {press['item_name']} {len(press['winners'])}人: "
        seed = seeds[press["seed"]]
        if seed is None:
            won.update(key(w["code"], w["factory"], w["name"]) for w in press["winners"])
            results["无法验证"] += 1
            print(line + "无法验证: 种子未公布")
            continue
        # Who may be drawn only shrinks within a press, by its winners: filtered once, then each winner taken out.
        barred = won | excluded | {k for k, _ in designated}
        scope = (press["roster"], tuple(map(tuple, press["scope"])))
        if scope not in pools:
            pools[scope] = [(k, shown) for k, shown, places in people(rosters[press["roster"]])
                            if in_scope(places, scope[1])]
        eligible = [(k, shown) for k, shown in pools[scope] if k not in barred]
        keys = [k for k, _ in eligible]
        c, faults = press["candidates"], []
        for w in press["winners"]:
            k = key(w["code"], w["factory"], w["name"])
            who = f"第{w['place']}位 {show(w['name'], w['factory'], w['code'])}"
            if w["how"] == RANDOM:
                if not eligible:
                    faults.append(who + "，种子给出：无人可抽")
                else:
                    # Only the last of the place's c steps lands; the earlier ones are the shuffle on the stage.
                    step = w["place"] * c - 1
                    drawn, drawn_shown = eligible[below(seed, press["number"], step, len(eligible))]
                    if drawn != k:
                        faults.append(f"{who}，种子给出 {drawn_shown}")
            elif (k, press["item"]) not in designated:
                faults.append(who + "标为指定，但没有此奖项的指定")
            if k in won:
                faults.append(who + "已经中过奖")
            won.add(k)  # the winner as recorded, so that one wrong winner is reported once
            if k in keys:  # a winner from outside the roster or the scope never was among them
                i = keys.index(k)
                del eligible[i], keys[i]
        results["不一致" if faults else "一致"] += 1
        print(line + ("不一致: " + "；".join(faults) if faults else "一致"))

    how = [w["how"] for press in presses for w in press["winners"]]
    print(f"合计: {len(presses)}次抽取, 随机中奖{how.count(RANDOM)}人, 指定中奖{how.count(DESIGNATED)}人; "
          + ", ".join(f"{name}{n}次" for name, n in results.items()))
    # A winner added outside the presses carries only the item's number; its name is the one of the item's
    # latest press in the file.
    item_names = {p["item"]: p["item_name"] for p in presses}
    unchecked = {}
    for changes in [p["changes"] for p in presses] + [after]:
        for e in changes["winners_added"]:
            unchecked[e[3]] = unchecked.get(e[3], 0) + 1
    if unchecked:
        print(f"另有{sum(unchecked.values())}位中奖者没有抽取记录，无法验证: "
              + ", ".join(f"{item_names.get(item, f'奖项{item}')} {n}人" for item, n in unchecked.items()))
    return 0 if results["一致"] == len(presses) else 1


def main(argv):
    for stream in (sys.stdout, sys.stderr):  # whatever the locale; a file name's undecodable bytes as they are
        stream.reconfigure(encoding="utf-8", errors="surrogateescape")
    if len(argv) != 2:
        print("用法: python3 prizedraw-verify.py 抽奖记录.json", file=sys.stderr)
        return 2
    try:
        loaded = load(argv[1])
    except Refused as e:
        print(f"拒绝: {argv[1]}: {e}", file=sys.stderr)
        return 2
    return replay(*loaded)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
