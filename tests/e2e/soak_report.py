"""What one soak phase found, the goals it is judged by, and the table of a run."""

MEMORY_GROWTH_LIMIT_KB = 256
OBJECT_SLACK = 2
UNITS = {"animation": "ticks", "hover": "moves", "dialog": "cycles", "storm": "s"}


class PhaseResult:
    def __init__(self, name, size):
        self.name = name
        self.size = size
        self.duration = 0.0
        self.objects_before = None
        self.objects_after = None
        self.memory_before = None
        self.memory_after = None
        self.faults = []
        self.notes = []
        self.samples = 0

    def misses(self):
        """Every goal this phase missed, as sentences."""
        found = list(self.faults)
        if self.memory_before is None or self.memory_after is None:
            if not self.faults:
                found.append("no memory figures were taken")
            return found
        for key, label in (("rss", "VmRSS"), ("data", "VmData")):
            growth = self.memory_after[key] - self.memory_before[key]
            if growth >= MEMORY_GROWTH_LIMIT_KB:
                found.append(f"{label} grew by {growth} kB (limit {MEMORY_GROWTH_LIMIT_KB} kB)")
        for key in ("windows", "handles", "gdi", "user"):
            before, after = self.objects_before.get(key), self.objects_after.get(key)
            if before is None or after is None or (key in ("gdi", "user") and before == 0 and after == 0):
                continue  # not measurable here
            if abs(after - before) > OBJECT_SLACK:
                found.append(f"{key} went from {before} to {after} (slack {OBJECT_SLACK})")
        return found

    def passed(self):
        return not self.misses()


def _objects_text(before, after, key):
    if before is None or after is None:
        return "-"
    b, a = before.get(key), after.get(key)
    if b is None or a is None:
        return "n/a"
    if key in ("gdi", "user") and b == 0 and a == 0:
        return "0→0 n/a"
    return f"{b}→{a}"


def _memory_text(before, after, key):
    if before is None or after is None:
        return "-"
    b, a = before[key], after[key]
    return f"{b}→{a} ({a - b:+d})"


def format_table(results, seed=None):
    headers = ["phase", "size", "duration", "windows", "handles", "GDI", "USER",
               "VmRSS kB", "VmData kB", "verdict"]
    rows = []
    for r in results:
        size = f"{r.size:g} {UNITS.get(r.name, '')}".strip()
        rows.append([r.name, size, f"{r.duration:.1f} s",
                     _objects_text(r.objects_before, r.objects_after, "windows"),
                     _objects_text(r.objects_before, r.objects_after, "handles"),
                     _objects_text(r.objects_before, r.objects_after, "gdi"),
                     _objects_text(r.objects_before, r.objects_after, "user"),
                     _memory_text(r.memory_before, r.memory_after, "rss"),
                     _memory_text(r.memory_before, r.memory_after, "data"),
                     "PASS" if r.passed() else "FAIL"])
    widths = [max(len(str(row[i])) for row in rows + [headers]) for i in range(len(headers))]
    lines = ["  ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(row)) for row in [headers] + rows]
    lines.insert(1, "  ".join("-" * w for w in widths))
    notes = []
    if seed is not None:
        notes.append(f"storm seed: {seed}")
    notes.append("GDI/USER: GetGuiResources reads 0 under Wine (not available); handles: kernel "
                 "handles of the process; windows: its top-level windows and their children.")
    for r in results:
        for n in r.notes:
            notes.append(f"{r.name}: {n}")
        for m in r.misses():
            notes.append(f"{r.name}: MISS: {m}")
    return "\n".join(lines + [""] + notes)
