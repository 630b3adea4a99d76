package nl.kovendi.store.api;

/**
 * PBKDF2 with HMAC-SHA-256 (RFC 8018), for a derived key of one block (32 bytes): the same bytes
 * as the Java runtime's "PBKDF2WithHmacSHA256" with a password encoded in UTF-8.
 *
 * <p>A log-in verifies one hash of many rounds within a run of about a second, so the rounds are
 * made cheap without making them fewer: the HMAC key's two padded blocks are compressed once, so
 * that a round costs two SHA-256 compressions instead of four, on plain int arrays, without
 * objects or the security providers. The work factor stays what the stored hash names.
 */
public final class Pbkdf2Sha256 {
    private static final int BLOCK = 64;
    private static final int[] INITIAL = {
        0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab,
        0x5be0cd19};
    private static final int[] K = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
        0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
        0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
        0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
        0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
        0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
        0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
        0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
        0xc67178f2};

    private Pbkdf2Sha256() {
    }

    /** The first 32 bytes of PBKDF2-HMAC-SHA-256 of {@code password} (UTF-8) and {@code salt}. */
    public static byte[] derive(byte[] password, byte[] salt, int iterations) {
        byte[] key = password.length > BLOCK ? digest(INITIAL, 0, password) : password;
        int[] inner = padState(key, 0x36);
        int[] outer = padState(key, 0x5c);
        byte[] first = new byte[salt.length + 4];
        System.arraycopy(salt, 0, first, 0, salt.length);
        first[first.length - 1] = 1;  // block number 1
        int[] u = toInts(digest(outer, BLOCK, digest(inner, BLOCK, first)));
        int[] result = u.clone();
        int[] w = new int[64];
        int[] h = new int[8];
        for (int round = 1; round < iterations; round++) {
            finishShort(inner, u, h, w);
            finishShort(outer, h, u, w);
            for (int i = 0; i < 8; i++) {
                result[i] ^= u[i];
            }
        }
        return toBytes(result);
    }

    /** The state after one block of the key, zero-padded, each byte XORed with {@code pad}. */
    private static int[] padState(byte[] key, int pad) {
        byte[] block = new byte[BLOCK];
        for (int i = 0; i < BLOCK; i++) {
            block[i] = (byte) ((i < key.length ? key[i] : 0) ^ pad);
        }
        int[] state = INITIAL.clone();
        int[] w = new int[64];
        load(block, 0, w);
        compress(state, w);
        return state;
    }

    /** SHA-256 of {@code data} after {@code done} bytes that left {@code state} (not changed). */
    private static byte[] digest(int[] state, int done, byte[] data) {
        int[] s = state.clone();
        int[] w = new int[64];
        int full = data.length / BLOCK * BLOCK;
        for (int at = 0; at < full; at += BLOCK) {
            load(data, at, w);
            compress(s, w);
        }
        long bits = (done + (long) data.length) * 8;
        int rest = data.length - full;
        byte[] tail = new byte[rest + 9 <= BLOCK ? BLOCK : 2 * BLOCK];
        System.arraycopy(data, full, tail, 0, rest);
        tail[rest] = (byte) 0x80;
        for (int i = 0; i < 8; i++) {
            tail[tail.length - 1 - i] = (byte) (bits >>> (8 * i));
        }
        for (int at = 0; at < tail.length; at += BLOCK) {
            load(tail, at, w);
            compress(s, w);
        }
        return toBytes(s);
    }

    /** {@code out} = SHA-256 of 32 bytes {@code message} after a padded key block ({@code pre}). */
    private static void finishShort(int[] pre, int[] message, int[] out, int[] w) {
        System.arraycopy(message, 0, w, 0, 8);
        w[8] = 0x80000000;
        for (int i = 9; i < 15; i++) {
            w[i] = 0;
        }
        w[15] = (BLOCK + 32) * 8;
        System.arraycopy(pre, 0, out, 0, 8);
        compress(out, w);
    }

    private static void load(byte[] data, int at, int[] w) {
        for (int i = 0; i < 16; i++) {
            int p = at + 4 * i;
            w[i] = (data[p] & 0xff) << 24 | (data[p + 1] & 0xff) << 16 | (data[p + 2] & 0xff) << 8
                    | (data[p + 3] & 0xff);
        }
    }

    /** One SHA-256 compression of the 16 words at the start of {@code w} into {@code s}. */
    private static void compress(int[] s, int[] w) {
        for (int t = 16; t < 64; t++) {
            int x = w[t - 15];
            int y = w[t - 2];
            int s0 = Integer.rotateRight(x, 7) ^ Integer.rotateRight(x, 18) ^ (x >>> 3);
            int s1 = Integer.rotateRight(y, 17) ^ Integer.rotateRight(y, 19) ^ (y >>> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        int a = s[0];
        int b = s[1];
        int c = s[2];
        int d = s[3];
        int e = s[4];
        int f = s[5];
        int g = s[6];
        int h = s[7];
        for (int t = 0; t < 64; t++) {
            int t1 = h + (Integer.rotateRight(e, 6) ^ Integer.rotateRight(e, 11)
                    ^ Integer.rotateRight(e, 25)) + ((e & f) ^ (~e & g)) + K[t] + w[t];
            int t2 = (Integer.rotateRight(a, 2) ^ Integer.rotateRight(a, 13)
                    ^ Integer.rotateRight(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        s[0] += a;
        s[1] += b;
        s[2] += c;
        s[3] += d;
        s[4] += e;
        s[5] += f;
        s[6] += g;
        s[7] += h;
    }

    private static int[] toInts(byte[] bytes) {
        int[] ints = new int[bytes.length / 4];
        for (int i = 0; i < ints.length; i++) {
            ints[i] = (bytes[4 * i] & 0xff) << 24 | (bytes[4 * i + 1] & 0xff) << 16
                    | (bytes[4 * i + 2] & 0xff) << 8 | (bytes[4 * i + 3] & 0xff);
        }
        return ints;
    }

    private static byte[] toBytes(int[] ints) {
        byte[] bytes = new byte[ints.length * 4];
        for (int i = 0; i < ints.length; i++) {
            bytes[4 * i] = (byte) (ints[i] >>> 24);
            bytes[4 * i + 1] = (byte) (ints[i] >>> 16);
            bytes[4 * i + 2] = (byte) (ints[i] >>> 8);
            bytes[4 * i + 3] = (byte) ints[i];
        }
        return bytes;
    }
}
