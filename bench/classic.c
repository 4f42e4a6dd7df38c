/* The classic way to write this converter with stdio: fgets, strstr, strtok,
 * atof, sprintf, fputs. A reference for speed only: it is not byte-exact
 * (ties, exponent letters, CR LF and Ctrl-Z handling differ) and never ships.
 * Usage: classic < base-name-on-stdin */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(void) {
    char base[80], in_name[96], out_name[96], line[256], label[256] = "", record[512];
    if (scanf("%79s", base) != 1) return 1;
    snprintf(in_name, sizeof in_name, "%s.qOLT.txt", base);
    snprintf(out_name, sizeof out_name, "%s.wpt", base);
    FILE* in = fopen(in_name, "r");
    FILE* out = fopen(out_name, "w");
    if (in == NULL || out == NULL) return 1;
    fprintf(out, "H  %s.WPT\n\n", base);
    for (;;) {
        fgets(line, sizeof line, in);
        if (feof(in)) break;
        if (strstr(line, "Label") != NULL) {
            fputs("H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT  DESCRIPTION\n", out);
            strcpy(label, line + 6);
            char* lf = strchr(label, '\n');
            if (lf != NULL) *lf = '\0';
        }
        if (strstr(line, "Data") != NULL) {
            char* lat = strtok(line + 7, ",");
            char* lon = strtok(NULL, ")");
            sprintf(record, "W  _      N%10.7lf E%11.7lf 01-JAN-00 00:00:00     0 %s\n", lat ? atof(lat) : 0.0,
                    lon ? atof(lon) : 0.0, label);
            fputs(record, out);
        }
    }
    fclose(in);
    return fclose(out) == 0 ? 0 : 255;
}
