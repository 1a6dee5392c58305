/* A small native library that the extension tests load into games, the way
 * a game's own library would be: functions of every argument count, real and
 * text arguments in mixes, real and text results, and the initialisation and
 * finalisation functions of a package. */
#include <stdio.h>
#include <string.h>

#if defined(__GNUC__)
#define EXPORT __attribute__((visibility("default")))
#else
#define EXPORT
#endif

/* reals0 .. reals16: the arguments weighted by their position,
 * 1*a1 + 2*a2 + ..., plus 1000 * the count, so that a lost, swapped or
 * extra argument shows in the answer. */
EXPORT double reals0(void) { return 0.0 + 0; }
EXPORT double reals1(double a1) { return 1000.0 + 1 * a1; }
EXPORT double reals2(double a1, double a2) { return 2000.0 + 1 * a1 + 2 * a2; }
EXPORT double reals3(double a1, double a2, double a3) { return 3000.0 + 1 * a1 + 2 * a2 + 3 * a3; }
EXPORT double reals4(double a1, double a2, double a3, double a4) { return 4000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4; }
EXPORT double reals5(double a1, double a2, double a3, double a4, double a5) { return 5000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5; }
EXPORT double reals6(double a1, double a2, double a3, double a4, double a5, double a6) { return 6000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6; }
EXPORT double reals7(double a1, double a2, double a3, double a4, double a5, double a6, double a7) { return 7000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7; }
EXPORT double reals8(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8) { return 8000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8; }
EXPORT double reals9(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9) { return 9000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9; }
EXPORT double reals10(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9, double a10) { return 10000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10; }
EXPORT double reals11(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9, double a10, double a11) { return 11000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11; }
EXPORT double reals12(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9, double a10, double a11, double a12) { return 12000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12; }
EXPORT double reals13(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9, double a10, double a11, double a12, double a13) { return 13000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13; }
EXPORT double reals14(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9, double a10, double a11, double a12, double a13, double a14) { return 14000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14; }
EXPORT double reals15(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9, double a10, double a11, double a12, double a13, double a14, double a15) { return 15000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15; }
EXPORT double reals16(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8, double a9, double a10, double a11, double a12, double a13, double a14, double a15, double a16) { return 16000.0 + 1 * a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10 + 11 * a11 + 12 * a12 + 13 * a13 + 14 * a14 + 15 * a15 + 16 * a16; }

/* Texts: each answer lives in a buffer that the next call overwrites, so a
 * caller that keeps the pointer instead of the text sees the change. */
static char buffer[4096];

static const char *answer(const char *text) {
  snprintf(buffer, sizeof buffer, "%s", text);
  return buffer;
}

EXPORT const char *hello(void) { return answer("hello"); }

EXPORT const char *echo(const char *s) { return answer(s); }

/* The number of bytes of a text: UTF-8 arrives as bytes. */
EXPORT double length(const char *s) { return (double)strlen(s); }

EXPORT const char *join2(const char *a, const char *b) {
  char tmp[4096];
  snprintf(tmp, sizeof tmp, "%s+%s", a, b);
  return answer(tmp);
}

/* Mixes of reals and texts in every position. */
EXPORT const char *mix_rs(double a, const char *b) {
  char tmp[4096];
  snprintf(tmp, sizeof tmp, "%g:%s", a, b);
  return answer(tmp);
}

EXPORT double mix_srs(const char *a, double b, const char *c) { return (double)strlen(a) * 100.0 + b + (double)strlen(c); }

EXPORT const char *mix_rsrs(double a, const char *b, double c, const char *d) {
  char tmp[4096];
  snprintf(tmp, sizeof tmp, "%g:%s:%g:%s", a, b, c, d);
  return answer(tmp);
}

EXPORT const char *mix_ssrr(const char *a, const char *b, double c, double d) {
  char tmp[4096];
  snprintf(tmp, sizeof tmp, "%s%s%g", a, b, c - d);
  return answer(tmp);
}

/* A text result that is no text at all. */
EXPORT const char *nothing(void) { return NULL; }

/* A package's life: the initialisation adds 1, the finalisation writes
 * what it found into "final.txt" in the working directory. */
static int initialised = 0;

EXPORT double lib_init(void) {
  initialised += 1;
  return 0;
}

EXPORT double lib_state(void) { return (double)initialised; }

EXPORT double lib_final(void) {
  FILE *f = fopen("final.txt", "w");
  if (f != NULL) {
    fprintf(f, "final after %d init\n", initialised);
    fclose(f);
  }
  return 0;
}
