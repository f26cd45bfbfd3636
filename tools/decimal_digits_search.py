#!/usr/bin/env python3
"""Search for doubles whose digits would need an exact correction of the digit source's 128-bit
estimate (io/numconv/decimal_digits.cpp, which has none): a replica of its table of powers of ten, its scaling, its choice
of k and its rounding, checked against exact arithmetic on random doubles; then, for every binary
exponent and each k used there, every mantissa whose scaled value lies within WINDOW units of
2^-64 above an integer, found by the Euclid-like smallest-solution recursion.
    decimal_digits_search.py NRANDOM WINDOW..."""
import random, sys, time

POWER_MIN, POWER_MAX = -290, 342
M64 = (1 << 64) - 1

def build_table():
    t = {}
    five = 1
    for k in range(0, POWER_MAX + 1):
        L = five.bit_length()
        if L <= 128:
            t[k] = (five << (128 - L), k - (128 - L))
        else:
            t[k] = (five >> (L - 128), k + (L - 128))
        five *= 5
    q, r, d, n = 1 << 127, 0, 1, 127
    def step(q, r, d, n, a):
        q2 = q << a; r2 = r << a
        c = r2 // d; r2 -= c * d
        q2 += c
        m = q2 % 5; q2 //= 5
        if q2.bit_length() != 128:
            return None
        return q2, d * m + r2, d * 5, n + a
    for j in range(1, -POWER_MIN + 1):
        s = step(q, r, d, n, 2)
        if s is None:
            s = step(q, r, d, n, 3)
            if s is None:
                raise SystemExit("both steps fail at j=%d" % j)
        q, r, d, n = s
        assert q == (1 << n) // 5 ** j and r == (1 << n) % 5 ** j
        t[-j] = (q, -j - n)
    for k, (mant, be) in t.items():
        assert mant >> 127 == 1
        # truncated: mant*2^be <= 10^k < (mant+1)*2^be
        if be >= 0:
            assert mant << be <= 10 ** k < (mant + 1) << be if k >= 0 else False
        else:
            num = 10 ** k if k >= 0 else 1
            den = 1 if k >= 0 else 10 ** -k
            assert mant * den <= num << -be < (mant + 1) * den
    return t

T = build_table()
stats = {"shift_min": 999, "shift_max": -999}

def scale(M, E, k):
    mant, be = T[k]
    P = M * mant  # 192-bit exact product
    shift = -(E + be)
    stats["shift_min"] = min(stats["shift_min"], shift)
    stats["shift_max"] = max(stats["shift_max"], shift)
    assert 64 < shift < 192, shift
    integer = P >> shift
    assert integer <= M64
    return integer, (P >> (shift - 64)) & M64

def floor_log10_pow2(n):
    return (n * 1292913986) >> 32

T16, T17, T18 = 10**16, 10**17, 10**18

def round_to_17(I, k):
    d, p = ((I + 5) // 10, 18 - k) if I < T18 else ((I + 50) // 100, 19 - k)
    if d == T17:
        d, p = T16, p + 1
    return d, p

def exact_reaches(M, E, k, bound):
    # M*2^E*10^k >= bound
    num, den = M, bound
    if k >= 0: num *= 5 ** k
    else: den *= 5 ** -k
    t = E + k
    if t >= 0: num <<= t
    else: den <<= -t
    return num >= den

def replica(m, e):
    """returns (digits, point, without_correction, info)"""
    shift = 64 - m.bit_length()
    M = m << shift; E = e - shift
    k = 17 - floor_log10_pow2(E + 63)
    I, f = scale(M, E, k)
    if I < T17:
        k += 1
        I, f = scale(M, E, k)
    r = round_to_17(I, k)
    r0 = r
    triggered = False
    if f > M64 - 4:
        triggered = True
        up = round_to_17(I + 1, k)
        if up != r and exact_reaches(M, E, k, I + 1):
            r = up
    return r, r0, triggered, (M, E, k, I, f)

def exact_digits(m, e):
    # value = m*2^e; 17 sig digits rounded half up from the 18th
    num, den = (m << e, 1) if e >= 0 else (m, 1 << -e)
    d = len(str(num // den)) - 1 if num >= den else -len(str(den // num))
    # adjust d so that 10^d <= v < 10^(d+1)
    while not (10 ** d * den <= num if d >= 0 else den <= num * 10 ** -d): d -= 1
    while (10 ** (d + 1) * den <= num if d + 1 >= 0 else den <= num * 10 ** -(d + 1)): d += 1
    s = 16 - d  # v*10^s in [10^16, 10^17)
    if s >= 0: n2, d2 = num * 10 ** s, den
    else: n2, d2 = num, den * 10 ** -s
    digits = (2 * n2 + d2) // (2 * d2)  # floor(v*10^s + 1/2)
    p = d + 1
    if digits == T17: digits, p = T16, p + 1
    return digits, p

def exact_error_units(m, e, k, I, f, M, E):
    # (exact x - computed (I + f/2^64)) * 2^64, as a float
    num, den = M, 1
    if k >= 0: num *= 5 ** k
    else: den *= 5 ** -k
    t = E + k
    if t >= 0: num <<= t
    else: den <<= -t
    diff = (num << 64) - ((I << 64) + f) * den
    return diff / den

# ---- smallest x >= 0 with l <= a*x mod mod <= r (0 <= l <= r < mod)
def min_x(a, mod, l, r):
    a %= mod
    if l == 0: return 0
    if a == 0: return -1
    kk = (l + a - 1) // a
    if a * kk <= r: return kk
    y = min_x(mod % a, a, (-r) % a, (-l) % a)
    if y < 0: return -1
    return (l + mod * y + a - 1) // a

def first_in(a, mod, W, lo, hi):
    """smallest m in [lo,hi] with (a*m mod mod) < W, or None"""
    if W >= mod: return lo
    b = a * lo % mod
    # a*i + b mod mod in [0, W)  <=>  a*i mod mod in [(-b) mod mod, (-b + W - 1) mod mod]
    L = (-b) % mod; R = (L + W - 1) % mod
    if L <= R:
        i = min_x(a, mod, L, R)
    else:
        c = [x for x in (min_x(a, mod, L, mod - 1), min_x(a, mod, 0, R)) if x >= 0]
        i = min(c) if c else -1
    if i < 0 or lo + i > hi: return None
    return lo + i

def self_test():
    rnd = random.Random(1)
    for _ in range(3000):
        mod = rnd.randint(1, 400); a = rnd.randint(0, 500); W = rnd.randint(1, mod)
        lo = rnd.randint(0, 300); hi = lo + rnd.randint(0, 600)
        bf = next((m for m in range(lo, hi + 1) if a * m % mod < W), None)
        assert first_in(a, mod, W, lo, hi) == bf, (a, mod, W, lo, hi)

def random_check(n):
    rnd = random.Random(2)
    bad = 0
    for i in range(n):
        bits = rnd.getrandbits(63)
        if i % 4 == 0:  # bias towards subnormals / extremes
            bits = rnd.choice([rnd.getrandbits(52), rnd.getrandbits(rnd.randint(1, 52)),
                               (2046 << 52) | rnd.getrandbits(52), (1 << 52) | rnd.getrandbits(52)])
        be = bits >> 52; fr = bits & ((1 << 52) - 1)
        if be == 0x7FF or bits == 0: continue
        m, e = (fr, -1074) if be == 0 else (fr | (1 << 52), be - 1075)
        r, *_ = replica(m, e)
        if r != exact_digits(m, e):
            bad += 1; print("MISMATCH", hex(bits), r, exact_digits(m, e))
    return bad

def groups():
    # (lo, hi, e) : value = m * 2^e, m in [lo, hi], one normalised exponent per group
    for be in range(1, 2047):
        yield (1 << 52), (1 << 53) - 1, be - 1075, be
    for j in range(0, 52):
        yield (1 << j), (1 << (j + 1)) - 1, -1074, 0

def search(window_units):
    t0 = time.time()
    skipped = []; cand = 0; changed = []; trig = 0; max_err = 0.0; viol = []
    for lo, hi, e, be in groups():
        En = e - (64 - lo.bit_length()) + 0  # normalised exponent of M = m << shift
        k0 = 17 - floor_log10_pow2(En + 63)
        for k in (k0, k0 + 1):
            if 0 <= k <= 55:
                # 5^k fits the 128-bit mantissa: the product is exact, the computed integer
                # part is the exact one, so the correction can never apply
                skipped.append((be, k)); continue
            # x = m * 2^e * 10^k = m*P/Q
            P, Q = 1, 1
            if k >= 0: P *= 5 ** k
            else: Q *= 5 ** -k
            t = e + k
            if t >= 0: P <<= t
            else: Q <<= -t
            W = -(-(window_units * Q) >> 64)  # ceil(window*Q/2^64): frac*Q < window*Q/2^64
            if W <= 1:
                # only exact integers x fall in the window; with k < 0 and e + k >= 2 such an x
                # is divisible by 4, so it is neither odd (== 5 mod 10) nor == 50 mod 100
                assert k < 0 and e + k >= 2, (be, k, e)
                skipped.append((be, k)); continue
            a = P % Q
            m = lo
            while True:
                m = first_in(a, Q, W, m, hi)
                if m is None: break
                cand += 1
                r, r0, tr, (M, E, kk, I, f) = replica(m, e)
                trig += tr
                ex = exact_digits(m, e)
                err = exact_error_units(m, e, kk, I, f, M, E)
                max_err = max(max_err, err)
                if not (0 <= err < 4): viol.append((m, e, err))
                bits = (be << 52) | (m & ((1 << 52) - 1))
                if r != ex:
                    print("WRONG", hex(bits), r, ex); viol.append((m, e, "wrong"))
                if r0 != r:
                    changed.append((hex(bits), ex, r0))
                    print("CHANGED", hex(bits), "exact digits", ex, "uncorrected", r0, flush=True)
                m += 1
                if m > hi: break
    return dict(candidates=cand, triggered=trig, changed=changed, max_err_units=max_err,
                violations=viol, skipped_groups=len(skipped), seconds=time.time() - t0)

if __name__ == "__main__":
    t0 = time.time()
    self_test(); print("min_x self test ok", flush=True)
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
    print("random check mismatches:", random_check(n), "of", n, "%.1fs" % (time.time() - t0), flush=True)
    for w in [int(x) for x in (sys.argv[2:] or ["4096"])]:
        print("window", w, "units of 2^-64:", search(w), flush=True)
    print("scale shift range seen:", stats, flush=True)
