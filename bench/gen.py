#!/usr/bin/env python3
"""Generate benchmark inputs for the linter.

usage: gen.py <shape> <size> <out-file> [--seed N]

realistic: <size> is a byte count (64M, 500K, 1000); hostile shapes: a count N.
Output is a pure function of (shape, size, seed).
"""

import argparse
import os
import random
import sys

# ---------------------------------------------------------------- realistic

ADJS = ["fire", "ice", "dark", "fast", "main", "hidden", "old", "great", "small",
        "wild", "iron", "shadow", "golden", "silent", "broken", "frozen", "ancient",
        "lost", "royal", "cursed", "swift", "heavy", "lunar", "storm", "crystal"]
NOUNS = ["player", "enemy", "weapon", "item", "sound", "menu", "level", "map",
         "tile", "door", "key", "timer", "bullet", "npc", "boss", "quest",
         "inventory", "shop", "spell", "effect", "camera", "packet", "score",
         "wave", "zone", "trap", "chest", "potion", "shield", "turret", "vehicle",
         "dialog", "voice", "menu_item", "projectile", "pickup", "beacon", "radar"]
ROLES = ["Manager", "Controller", "Handler", "State", "Data", "Info", "Pool",
         "Spawner", "Factory", "Entry", "Node", "Cache", "View", "Tracker", ""]
IFACE_ROLES = ["Updatable", "Drawable", "Damageable", "Serializable", "Listener",
               "Speaker", "Usable", "Targetable", "Movable", "Collidable"]
FIELDS = ["hp", "max_hp", "x", "y", "z", "speed", "name", "id", "timer_ms",
          "damage", "armor", "level", "xp", "gold", "ammo", "range", "volume",
          "pan", "pitch", "state", "target_id", "owner", "count", "index",
          "width", "height", "facing", "cooldown", "label", "score", "lives",
          "flags", "alive", "visible", "slot", "weight", "price", "charge",
          "lastTick", "spawnDelay", "soundHandle", "itemCount", "isOpen"]
VERBS = ["update", "draw", "move", "attack", "spawn", "reset", "load", "save",
         "play", "stop", "open", "close", "use", "drop", "pick_up", "speak",
         "tick", "hit", "heal", "fire", "reload", "aim", "scan", "announce",
         "collide", "apply", "refresh", "toggle", "fadeIn", "fadeOut", "step"]
OBJS = ["", "_all", "_sound", "_target", "_state", "_items", "_menu", "_at",
        "_next", "_by_id", "Fast", "Safe", "Later"]
LOCALS = ["i", "j", "k", "n", "t", "dx", "dy", "dist", "total", "result", "msg",
          "tmp", "idx", "found", "ok", "value", "amount", "left", "right",
          "best", "cur", "prev", "len", "ch", "key_code", "elapsed", "pos"]
GLOBAL_OBJS = ["game", "world", "audio", "net", "ui", "config", "stats"]
BUILTINS = ["wait", "speak", "alert", "random", "abs", "sqrt", "get_ticks",
            "key_pressed", "key_down", "string_len", "round", "floor", "show_game_window"]
WORDS = ["You", "found", "a", "the", "sword", "door", "is", "locked", "enemy",
         "approaches", "press", "enter", "to", "continue", "level", "complete",
         "score", "health", "low", "game", "over", "näher", "café", "niño", "ключ"]
INCLUDES = ["sound_pool.bgt", "dynamic_menu.bgt", "form.bgt", "network.bgt",
            "bgt_string_utils.bgt", "weapons/guns.bgt", "maps\\\\town.bgt",
            "includes/ui.bgt", "timer_ex.bgt", "keyhook.bgt"]
KEYS = ["KEY_UP", "KEY_DOWN", "KEY_LEFT", "KEY_RIGHT", "KEY_RETURN", "KEY_SPACE",
        "KEY_ESCAPE", "KEY_TAB", "KEY_F1", "KEY_A", "KEY_S"]
COMMENTS = ["check bounds before moving", "TODO: balance this later",
            "play the sound only once", "avoid division by zero",
            "keep in sync with the map loader", "legacy: kept for old saves",
            "the server expects milliseconds", "fix for the stuck menu bug",
            "handles can be null here", "réglage fin du volume"]

SCALARS = ["int", "int", "int", "double", "bool", "string", "string", "float",
           "uint", "int8", "int16", "uint8", "uint16", "short"]


def camel(*parts):
    return "".join(p[:1].upper() + p[1:] for p in "_".join(parts).split("_") if p)


class Realistic:
    def __init__(self, rnd, target):
        self.r = rnd
        self.target = target
        self.out = []
        self.size = 0
        self.used_types = set()
        self.classes = []      # (name, [fields], [methods])
        self.interfaces = []   # (name, [methods])
        self.functions = []    # (name, arity)
        self.globals = []      # names of global variables
        self.serial = 0

    # helpers
    def emit(self, s):
        self.out.append(s)
        self.size += len(s.encode("utf-8"))

    def fresh_type(self, roles=ROLES, prefix=""):
        r = self.r
        for _ in range(8):
            name = prefix + camel(r.choice(ADJS), r.choice(NOUNS)) + r.choice(roles)
            if name not in self.used_types:
                break
        else:
            self.serial += 1
            name = "%s%d" % (name, self.serial)
        self.used_types.add(name)
        return name

    def string_lit(self):
        r = self.r
        words = [r.choice(WORDS) for _ in range(r.randint(1, 6))]
        s = " ".join(words)
        roll = r.random()
        if roll < 0.2:
            s += "\\n"
        elif roll < 0.3:
            s = "\\\"" + s + "\\\""
        elif roll < 0.37:
            s = "data\\\\" + s.replace(" ", "_") + ".dat"
        elif roll < 0.42:
            s += "\\t(" + str(r.randint(0, 99)) + ")"
        return '"' + s + '"'

    def some_type(self, allow_class=True):
        r = self.r
        roll = r.random()
        if allow_class and self.classes and roll < 0.2:
            return r.choice(self.classes)[0] + "@"
        if roll < 0.28:
            return r.choice(["int[]", "string[]", "double[]", "bool[]", "int[][]"])
        if roll < 0.285:
            return r.choice(["int64", "uint64"])
        if roll < 0.29:
            return "dictionary"
        return r.choice(SCALARS)

    def init_value(self, t, names):
        r = self.r
        base = t.rstrip("@[]")
        if t.endswith("@"):
            return r.choice(["null", "null", base + "()"])
        if t.endswith("[]"):
            if r.random() < 0.5:
                return "{" + ", ".join(str(r.randint(0, 50)) for _ in range(r.randint(1, 5))) + "}"
            return None
        if base == "string":
            if names and r.random() < 0.3:
                return self.string_lit() + " + " + r.choice(names)
            return self.string_lit()
        if base == "bool":
            return r.choice(["true", "false"])
        if base in ("double", "float"):
            return "%d.%d" % (r.randint(0, 100), r.randint(0, 99))
        if base == "dictionary":
            return None
        return self.expr(names, 1)

    def atom(self, names):
        r = self.r
        roll = r.random()
        if names and roll < 0.45:
            return r.choice(names)
        if roll < 0.6:
            return str(r.randint(0, 1000))
        if roll < 0.7 and self.globals:
            return r.choice(self.globals)
        if roll < 0.8:
            return "%s.%s.%s" % (r.choice(GLOBAL_OBJS), r.choice(NOUNS), r.choice(FIELDS))
        if roll < 0.88 and self.functions:
            name, arity = r.choice(self.functions)
            return "%s(%s)" % (name, ", ".join(self.atom(names) for _ in range(arity)))
        if roll < 0.94:
            return "%s(%s)" % (r.choice(BUILTINS), self.atom(names) if r.random() < 0.6 else "")
        return "%s.%s" % (r.choice(GLOBAL_OBJS), r.choice(FIELDS))

    def expr(self, names, depth=2):
        r = self.r
        e = self.atom(names)
        for _ in range(r.randint(0, depth)):
            op = r.choice(["+", "-", "*", "/", "%", "+", "-"])
            e = "%s %s %s" % (e, op, self.atom(names))
        if depth > 1 and r.random() < 0.15:
            e = "(" + e + ") * " + self.atom(names)
        return e

    def cond(self, names):
        r = self.r
        a = self.atom(names)
        roll = r.random()
        if roll < 0.6:
            c = "%s %s %s" % (a, r.choice(["<", ">", "<=", ">=", "==", "!="]), self.atom(names))
        elif roll < 0.75:
            c = "key_pressed(%s)" % r.choice(KEYS)
        elif roll < 0.85:
            c = "!" + a
        else:
            c = "@%s == null" % a
        if r.random() < 0.2:
            c += " %s %s" % (r.choice(["&&", "||"]), self.atom(names))
        return c

    # statements: return a list of lines (without indent) and update names
    def stmts(self, ind, names, depth, count):
        r = self.r
        names = list(names)
        for _ in range(count):
            roll = r.random()
            pad = "\t" * ind
            if roll < 0.18:
                t = self.some_type()
                n = r.choice(LOCALS)
                if n in names and r.random() < 0.7:
                    n = n + str(r.randint(2, 9))
                v = self.init_value(t, names)
                self.emit("%s%s %s%s;\n" % (pad, t, n, "" if v is None else " = " + v))
                names.append(n)
            elif roll < 0.32 and names:
                n = r.choice(names)
                op = r.choice(["=", "+=", "-=", "*=", "=", "="])
                self.emit("%s%s %s %s;\n" % (pad, n, op, self.expr(names)))
            elif roll < 0.38 and names:
                self.emit("%s%s%s;\n" % (pad, r.choice(names), r.choice(["++", "--"])))
            elif roll < 0.46:
                self.emit("%s%s.%s.%s %s %s;\n" % (pad, r.choice(GLOBAL_OBJS), r.choice(NOUNS),
                                                   r.choice(FIELDS), r.choice(["=", "-=", "+="]),
                                                   self.expr(names, 1)))
            elif roll < 0.54:
                roll2 = r.random()
                if roll2 < 0.5:
                    self.emit("%sspeak(%s);\n" % (pad, self.string_lit() + (" + " + r.choice(names) if names else "")))
                elif self.functions and roll2 < 0.8:
                    name, arity = r.choice(self.functions)
                    self.emit("%s%s(%s);\n" % (pad, name, ", ".join(self.atom(names) for _ in range(arity))))
                else:
                    self.emit("%s%s.%s(%s);\n" % (pad, r.choice(GLOBAL_OBJS), r.choice(VERBS) + r.choice(OBJS),
                                                 self.atom(names)))
            elif roll < 0.60 and depth > 0:
                self.emit("%sif (%s)\n%s{\n" % (pad, self.cond(names), pad))
                self.stmts(ind + 1, names, depth - 1, r.randint(1, 3))
                self.emit(pad + "}\n")
                roll2 = r.random()
                if roll2 < 0.25:
                    self.emit("%selse if (%s)\n%s{\n" % (pad, self.cond(names), pad))
                    self.stmts(ind + 1, names, depth - 1, r.randint(1, 2))
                    self.emit(pad + "}\n")
                if roll2 < 0.5:
                    self.emit("%selse\n%s{\n" % (pad, pad))
                    self.stmts(ind + 1, names, depth - 1, r.randint(1, 2))
                    self.emit(pad + "}\n")
            elif roll < 0.63:
                self.emit("%sif (%s) return%s;\n" % (pad, self.cond(names), ""))
            elif roll < 0.68 and depth > 0:
                v = r.choice(["i", "j", "k", "n", "idx"])
                lim = r.choice(["10", "count", "items.length()", "enemies.length()", "MAX_ENEMIES", "w"])
                t = r.choice(["int", "int", "uint"])
                self.emit("%sfor (%s %s = 0; %s < %s; %s++)\n%s{\n" % (pad, t, v, v, lim, v, pad))
                self.stmts(ind + 1, names + [v], depth - 1, r.randint(1, 4))
                self.emit(pad + "}\n")
            elif roll < 0.71:
                v = r.choice(["i", "j", "k"])
                if r.random() < 0.4:
                    w = "x" if v != "x" else "y"
                    self.emit("%sfor (int %s = 0; %s < h; %s++)\n%s\tfor (int %s = 0; %s < w; %s++)\n%s\t\t%s[%s * w + %s] = %s;\n"
                              % (pad, v, v, v, pad, w, w, w, pad, r.choice(["grid", "tiles", "costs"]), v, w,
                                 self.atom(names)))
                else:
                    tgt = r.choice(names) if names else "total"
                    self.emit("%sfor (int %s = 0; %s < %d; %s++) %s += %s;\n"
                              % (pad, v, v, r.randint(2, 64), v, tgt, v))
            elif roll < 0.75 and depth > 0:
                self.emit("%swhile (%s)\n%s{\n" % (pad, self.cond(names), pad))
                self.stmts(ind + 1, names, depth - 1, r.randint(1, 3))
                self.emit("%s\twait(%d);\n%s}\n" % (pad, r.choice([5, 10, 20, 50]), pad))
            elif roll < 0.77 and depth > 0:
                self.emit("%sswitch (%s)\n%s{\n" % (pad, self.atom(names), pad))
                for c in range(r.randint(1, 3)):
                    self.emit("%s\tcase %d:\n" % (pad, c))
                    self.stmts(ind + 2, names, 0, 1)
                    self.emit("%s\t\tbreak;\n" % pad)
                self.emit(pad + "}\n")
            elif roll < 0.81:
                if r.random() < 0.7:
                    self.emit("%s// %s\n" % (pad, r.choice(COMMENTS)))
                else:
                    self.emit("%s/* %s\n%s   %s */\n" % (pad, r.choice(COMMENTS), pad, r.choice(COMMENTS)))
            elif roll < 0.83:
                t = r.choice(["int64", "uint64", "int64"])
                n = r.choice(["ticks", "big_total", "stamp", "bytes_sent"])
                self.emit("%s%s %s = %s;\n" % (pad, t, n, self.atom(names)))
                names.append(n)
            elif roll < 0.86:
                n = r.choice(LOCALS)
                self.emit("%sstring %s = \"%s\\\\%s\\n\";\n" % (pad, n, r.choice(["C:", "data", "sounds"]),
                                                              r.choice(WORDS)))
                names.append(n)
            elif roll < 0.88 and self.classes:
                cname = r.choice(self.classes)[0]
                n = r.choice(["e", "obj", "it", "node", "cur"])
                self.emit("%s%s@ %s = %s;\n" % (pad, cname, n, r.choice(["null", cname + "()", "cast<%s>(obj)" % cname])))
                names.append(n)
            else:
                self.emit("%s%s = %s;\n" % (pad, r.choice(names) if names else "result", self.expr(names)))

    def params(self, allow_defaults=True):
        r = self.r
        ps = []
        names = []
        for _ in range(r.choice([0, 0, 1, 1, 1, 2, 2, 3, 4])):
            t = self.some_type()
            if t in ("int64", "uint64") and r.random() < 0.5:
                t = "int"
            n = r.choice(FIELDS + LOCALS)
            while n in names:
                n = n + "_"
            p = "%s %s" % (t, n)
            if r.random() < 0.1:
                p = "const %s &in %s" % (t.rstrip("@"), n)
            names.append(n)
            ps.append(p)
        if allow_defaults and ps and r.random() < 0.25:
            roll = r.random()
            if roll < 0.4:
                d = "%s = %d" % (r.choice(["int volume", "int pan", "int count"]), r.randint(-10, 100))
            elif roll < 0.7:
                d = "string label = %s" % self.string_lit()
            elif roll < 0.85:
                d = "bool loop = false"
            else:
                d = "int limit = max(%d, min((%d), 3))" % (r.randint(0, 9), r.randint(0, 9))
            ps.append(d)
            names.append(d.split()[1])
        return ps, names

    def function(self, ind, name, ret, extra_names, modifiers=""):
        r = self.r
        pad = "\t" * ind
        ps, pnames = self.params()
        self.emit("%s%s %s(%s)%s\n%s{\n" % (pad, ret, name, ", ".join(ps), modifiers, pad))
        names = extra_names + pnames
        for p in pnames:
            if r.random() < 0.5:
                self.emit(pad + r.choice(["\tspeak(\"%s: \" + %s);\n", "\tif (%s != %s) total++;\n",
                                          "\tresult = calc(%s, %s);\n"]) % (p, p))
        if r.random() < 0.85:
            names = names + pnames * 3  # most parameters get read
        self.stmts(ind + 1, names, 2, r.randint(1, 7))
        if ret != "void":
            base = ret.rstrip("@[]")
            if ret.endswith("@"):
                rv = r.choice(["null", "@this"]) if ind else "null"
            elif ret.endswith("[]"):
                rv = r.choice(names) if names else "null"
            elif base == "string":
                rv = self.string_lit()
            elif base == "bool":
                rv = r.choice(["true", "false"])
            else:
                rv = self.expr(names, 1)
            self.emit("%s\treturn %s;\n" % (pad, rv))
        self.emit(pad + "}\n")
        return len(ps)

    def gen_interface(self):
        r = self.r
        name = self.fresh_type(IFACE_ROLES, "I")
        methods = []
        self.emit("interface %s\n{\n" % name)
        for _ in range(r.randint(1, 4)):
            m = r.choice(VERBS) + r.choice(OBJS)
            if m in [x[0] for x in methods]:
                continue
            ret = r.choice(["void", "void", "bool", "int", "string"])
            ps, _ = self.params(False)
            methods.append((m, ret, ps))
            self.emit("\t%s %s(%s);\n" % (ret, m, ", ".join(ps)))
        self.emit("}\n\n")
        self.interfaces.append((name, methods))

    def gen_class(self):
        r = self.r
        name = self.fresh_type()
        bases = []
        if self.interfaces and r.random() < 0.4:
            bases = r.sample(self.interfaces, min(len(self.interfaces), r.choice([1, 1, 1, 2])))
        if r.random() < 0.15:
            self.emit("// %s\n" % r.choice(COMMENTS))
        head = "class %s" % name
        if bases:
            head += " : " + ", ".join(b[0] for b in bases)
        self.emit(head + "\n{\n")
        fields = []
        for _ in range(r.randint(1, 8)):
            t = self.some_type()
            f = r.choice(FIELDS)
            if f in fields:
                continue
            fields.append(f)
            v = self.init_value(t, []) if r.random() < 0.3 and not t.endswith("[]") else None
            self.emit("\t%s %s%s;\n" % (t, f, "" if v is None else " = " + v))
        # constructor assigning fields (and shadowing one through a parameter now and then)
        if fields and r.random() < 0.7:
            f = r.choice(fields)
            if r.random() < 0.3:
                self.emit("\t%s(int %s)\n\t{\n\t\tthis.%s = %s;\n\t}\n" % (name, f, f, f))
            else:
                self.emit("\t%s()\n\t{\n" % name)
                for g in fields[:3]:
                    self.emit("\t\t%s = %s;\n" % (g, self.atom([])))
                self.emit("\t}\n")
        methods = []
        for b in bases:
            for (m, ret, ps) in b[1]:
                if m in methods:
                    continue
                methods.append(m)
                mod = r.choice(["", "", " override"])
                self.emit("\t%s %s(%s)%s\n\t{\n" % (ret, m, ", ".join(ps), mod))
                pn = [p.split()[-1] for p in ps if "=" not in p]
                self.stmts(2, fields + pn * 3, 1, r.randint(1, 4))
                if ret != "void":
                    self.emit("\t\treturn %s;\n" % {"bool": "true", "int": "0", "string": '""'}[ret])
                self.emit("\t}\n")
        for _ in range(r.randint(0, 5)):
            m = r.choice(VERBS) + r.choice(OBJS)
            if m in methods:
                continue
            methods.append(m)
            ret = r.choice(["void", "void", "void", "int", "bool", "string", "double", name + "@", "int[]"])
            mod = r.choice(["", "", "", "", " const"] + ([" override", " const override"] if bases else []))
            self.function(1, m, ret, list(fields), mod)
        if r.random() < 0.12:
            self.emit("\t%s opAdd(const %s &in other) const\n\t{\n\t\t%s result;\n" % (name, name, name))
            for g in fields[:2]:
                self.emit("\t\tresult.%s = %s + other.%s;\n" % (g, g, g))
            self.emit("\t\treturn result;\n\t}\n")
        if r.random() < 0.12:
            self.emit("\tbool opEquals(%s@ other)\n\t{\n\t\treturn @other !is null && other.%s == %s;\n\t}\n"
                      % (name, fields[0] if fields else "id", fields[0] if fields else "id"))
        if r.random() < 0.05:
            self.emit("\t~%s()\n\t{\n\t\t%s = %s;\n\t}\n" % (name, fields[0] if fields else "id", "0"))
        self.emit("}\n\n")
        self.classes.append((name, fields, methods))

    def gen_free_function(self):
        r = self.r
        base = r.choice(VERBS) + r.choice(OBJS) + "_" + r.choice(NOUNS)
        name = base
        used = {f[0] for f in self.functions[-200:]}
        if name in used:
            self.serial += 1
            name = "%s%d" % (base, self.serial)
        ret = r.choice(["void", "void", "void", "int", "bool", "string", "double", "int[]", "int64"])
        if self.classes and r.random() < 0.15:
            ret = r.choice(self.classes)[0] + "@"
        arity = self.function(0, name, ret, [])
        self.emit("\n")
        self.functions.append((name, min(arity, 3)))
        if len(self.functions) > 400:
            del self.functions[:100]

    def gen_globals(self):
        r = self.r
        for _ in range(r.randint(1, 4)):
            t = self.some_type()
            n = "g_" + r.choice(FIELDS) + r.choice(["", "", "_" + r.choice(NOUNS)])
            v = self.init_value(t, [])
            prefix = "const " if r.random() < 0.3 and not t.endswith("@") else ""
            self.emit("%s%s %s%s;\n" % (prefix, t, n, "" if v is None else " = " + v))
            self.globals.append(n)
        if len(self.globals) > 300:
            del self.globals[:100]
        self.emit("\n")

    def include(self, path):
        # the lexer only takes the path when the quote follows at once; the
        # spaced form is the common one and yields a lexical warning
        return ('#include"%s"\n' if self.r.random() < 0.3 else '#include "%s"\n') % path

    def run(self):
        r = self.r
        self.emit("// %s: generated game script\n" % r.choice(["Dark Forest", "Star Runner", "Dungeon 9"]))
        self.emit("/* Controls:\n\tarrows move, space fires, escape quits.\n\tÜberall: \"quotes\" stay inside comments. */\n")
        for inc in r.sample(INCLUDES, 4):
            self.emit(self.include(inc))
        self.emit("\nconst int MAX_ENEMIES = 20;\nint w = 32;\nint h = 32;\nint[] grid(1024);\n"
                  "int[] tiles(1024);\nint[] costs(1024);\nint count = 0;\nint total = 0;\n"
                  "string title = \"Dark \\\"Forest\\\"\\n\";\n\n")
        while self.size < self.target:
            roll = r.random()
            if roll < 0.37:
                self.gen_class()
            elif roll < 0.45:
                self.gen_interface()
            elif roll < 0.85:
                self.gen_free_function()
            elif roll < 0.97:
                self.gen_globals()
            else:
                self.emit(self.include(r.choice(INCLUDES)))
        self.emit("void main()\n{\n\tshow_game_window(title);\n\tcount = total;\n}\n")
        return self.out


def realistic(size, rnd):
    return Realistic(rnd, size).run()

# ------------------------------------------------------------------ hostile


def globals_shape(n, rnd):
    yield from ("int g%d = %d;\n" % (k, k) for k in range(n))
    reads = 5 * n
    per_fn = 100
    fn = 0
    while reads > 0:
        yield "void use%d()\n{\n\tint s = 0;\n" % fn
        for _ in range(min(per_fn, reads) // 5 or 1):
            ks = [rnd.randrange(n) for _ in range(5)]
            yield "\ts += g%d + g%d + g%d + g%d + g%d;\n" % tuple(ks)
        yield "\tspeak(\"\" + s);\n}\n"
        reads -= per_fn
        fn += 1


def nested_blocks(n, rnd):
    yield "void f()\n{\n\tint x = 0;\n"
    yield "{\n" * n
    yield "x++;\n"
    yield "}\n" * n
    yield "}\n"


def unclosed_braces(n, rnd):
    yield "void f()\n{\n\tint x = 0;\n"
    yield "{\n" * n
    yield "x++;\n"


def class_members(n, rnd):
    yield from ("class C%d { int m; }\n" % k for k in range(n))
    yield "void touch(C0@ x)\n{\n"
    for _ in range(n):
        yield "\t" + "x.m; " * 9 + "x.m;\n"
    yield "}\n"


def overloads(n, rnd):
    types = ["int", "double", "string", "bool", "int8", "uint", "float", "int16"]
    yield "class O\n{\n"
    for k in range(n):
        arity = 1 + k % 3
        ps = ", ".join("%s %s" % (types[(k // 3 + a) % len(types)], "abc"[a]) for a in range(arity))
        yield "\tvoid f(%s) { }\n" % ps
    yield "}\n\nvoid main()\n{\n\tO o;\n"
    yield "\to.f(1);\n" * n
    yield "}\n"


def nested_for(n, rnd):
    yield "void f()\n{\n\tint x = 3;\n\tint y = 0;\n"
    yield "for (x)\n" * n
    yield "y++;\n}\n"


def for_if(n, rnd):
    yield "void f()\n{\n\tint y = 0;\n"
    yield "for (int i = 0; i < 3; i++) if (i) {\n" * n
    yield "y++;\n"
    yield "}\n" * n
    yield "}\n"


def paren_for(n, rnd):
    yield "void f()\n{\n\tint y = 0;\n\tfor (int i = "
    yield "(" * n
    yield "0"
    yield ")" * n
    yield "; i < 3; i++) y++;\n}\n"


def paren_default(n, rnd):
    yield "void f(int a = "
    yield "(" * n
    yield "1"
    yield ")" * n
    yield ", int b)\n{\n\tspeak(\"\" + a + b);\n}\n\nvoid main()\n{\n\tf(1, 2);\n}\n"


def implements(n, rnd):
    yield from ("interface I%d { void f(); }\n" % k for k in range(n))
    yield from ("class A%d : I%d { void f() {} }\n" % (k, k) for k in range(n))


def deep_chain(n, rnd):
    # n classes, each deriving from the one before and reading the root's member
    yield "class C0 { int hp; }\n"
    yield from ("class C%d : C%d { int f() { return hp + C%d_x; } }\n" % (k, k - 1, k)
                for k in range(1, n))


def long_line(n, rnd):
    # one line, no line feed until the very end
    head = "void f() { int v = 0; int w = 1; string s = \"\"; "
    yield head
    size = len(head)
    k = 0
    pieces = ["v += w * %d - (v / %d); ", "if (v > %d) w = v %% %d; ",
              "s = s + \"x\\\"y\\\\%d\" + %d; ", "v = max(v, %d) + abs(w - %d); ",
              "game.player.hp -= %d + %d; ", "int t%d = v + %d; "]
    while size < n:
        p = pieces[k % len(pieces)] % (rnd.randint(1, 999), rnd.randint(1, 999))
        yield p
        size += len(p)
        k += 1
    yield "}\n"


def unknown_chars(n, rnd):
    chars = ["?", "$", "`", "\\", "'", "?", "$", "\u20ac"]
    line = []
    for k in range(n):
        line.append(rnd.choice(chars))
        if len(line) == 32 or k == n - 1:
            yield " ".join(line) + "\n"
            line = []


def long_idents(n, rnd):
    # long shared prefix, differing only at the end: worst case for comparisons
    alphabet = "abcdefghijklmnopqrstuvwxyz_0123456789"
    prefix = "v" + "".join(rnd.choice(alphabet) for _ in range(max(0, n - 2)))
    names = [prefix + c for c in "ABCDE"]
    yield "int %s = 1;\n" % names[0]
    yield "class %s { int %s; }\n" % (names[1], names[2])
    yield "void %s(int %s)\n{\n" % (names[3], names[4])
    for a in range(5):
        yield "\t%s += %s + %s;\n" % (names[0], names[4], names[0])
    yield "\t%s@ p = null;\n\tp.%s = %s;\n}\n" % (names[1], names[2], names[0])
    yield "void main()\n{\n\t%s(%s);\n}\n" % (names[3], names[0])


HOSTILE = {
    "globals": globals_shape,
    "nested_blocks": nested_blocks,
    "unclosed_braces": unclosed_braces,
    "class_members": class_members,
    "overloads": overloads,
    "nested_for": nested_for,
    "for_if": for_if,
    "paren_for": paren_for,
    "paren_default": paren_default,
    "implements": implements,
    "deep_chain": deep_chain,
    "long_line": long_line,
    "unknown_chars": unknown_chars,
    "long_idents": long_idents,
}

# --------------------------------------------------------------------- main


def parse_size(s):
    mult = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    s = s.strip()
    if s and s[-1].upper() in mult:
        return int(float(s[:-1]) * mult[s[-1].upper()])
    return int(s)


def main(argv):
    ap = argparse.ArgumentParser(description="generate linter benchmark inputs")
    ap.add_argument("shape", choices=["realistic"] + sorted(HOSTILE))
    ap.add_argument("size", help="bytes for realistic (64M, 500K), else a count N")
    ap.add_argument("out")
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args(argv)
    size = parse_size(a.size)
    # string seeds hash identically across runs (no PYTHONHASHSEED dependence)
    rnd = random.Random("%s:%d:%d" % (a.shape, size, a.seed))
    chunks = realistic(size, rnd) if a.shape == "realistic" else HOSTILE[a.shape](size, rnd)
    tmp = a.out + ".tmp%d" % os.getpid()
    with open(tmp, "w", encoding="utf-8", newline="\n") as f:
        buf = []
        pending = 0
        for c in chunks:
            buf.append(c)
            pending += len(c)
            if pending > (1 << 20):
                f.write("".join(buf))
                buf = []
                pending = 0
        f.write("".join(buf))
    os.replace(tmp, a.out)  # never leave a truncated file under the final name
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
