/* Reads every 4096-byte Mini-SEED record of a file with libmseed, decoding
 * its samples. Exit 0 when every record parses and decodes, libmseed says
 * nothing, and there is at least one record; prints "records samples". */
#include <libmseed.h>
#include <stdio.h>

static int messages = 0;
static void on_message(char *text) {
  ++messages;
  fprintf(stderr, "libmseed: %s", text);
}

int main(int argc, char **argv) {
  MSFileParam *msfp = NULL;
  MSRecord *msr = NULL;
  long records = 0, samples = 0;
  int rv;
  if (argc != 2) return 2;
  ms_loginit(on_message, NULL, on_message, NULL);
  while ((rv = ms_readmsr_r(&msfp, &msr, argv[1], 4096, NULL, NULL, 1, 1, 0)) == MS_NOERROR) {
    if (msr->numsamples != msr->samplecnt || msr->encoding != DE_STEIM1) {
      fprintf(stderr, "%s: record %ld: %ld of %ld samples decoded, encoding %d\n", argv[1], records,
              (long)msr->numsamples, (long)msr->samplecnt, msr->encoding);
      return 1;
    }
    ++records;
    samples += (long)msr->numsamples;
  }
  ms_readmsr_r(&msfp, &msr, NULL, 0, NULL, NULL, 0, 0, 0);
  if (rv != MS_ENDOFFILE) {
    fprintf(stderr, "%s: %s\n", argv[1], ms_errorstr(rv));
    return 1;
  }
  printf("%ld %ld\n", records, samples);
  return records > 0 && messages == 0 ? 0 : 1;
}
