// The ASEG-GDF2 definition file as writers make it: sequence numbers run in
// or not, blanks that vary, attributes by commas or colons, array fields,
// records that are no fields, and END DEFN on a record of its own or run
// onto the last field.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "init/dfn.h"

namespace kivo {
namespace {

std::string fields_of(const Dfn& dfn) {
  std::string s;
  for (const DfnField& f : dfn.fields) {
    s += f.name + " " + std::to_string(f.count) + (f.type != 0 ? std::string(1, f.type) : "?") +
         " unit=" + f.unit + " null=" + f.null + " name=" + f.long_name + "\n";
  }
  return s;
}

TEST(Dfn, FieldsWithArraysUnitsAndNullValues) {
  const Dfn dfn = parse_dfn(
      "DEFN   ST=RECD,RT=COMM;RT:A4;COMMENTS:A76\r\n"
      "DEFN 1 ST=RECD,RT=;LINE:I10:NAME=Line number\r\n"
      "DEFN002 ST=RECORD,RT=; fid : f12.2 : UNITS = s\r\n"
      "DEFN 3 ST=RECD,RT=; Easting : F12.2 : UNIT=m, NULL=-9999.99, NAME=Easting (GDA94 zone "
      "54)\r\n"
      "  DEFN 4 ST=RECD,RT=;LASER:F8.2:UNIT=m:NULL=-99.99:bird laser, filtered\n"
      "DEFN 5 ST=RECD,RT=;DATE:A10\n"
      "DEFN 6 ST=RECD,RT=PROJ;PROJNAME:A30\n"
      "DEFN 7 ST=RECD,RT=TRNS;TRNSNAME:A30\n"
      "DEFN 8 ST=RECD,RT=;HCP_I:5E12.4:UNIT=ppm,NULL=-99999\n"
      "DEFN 9 ST=RECD,RT=;CXQ5500:ES15.6:UNIT=ppm ;END DEFN\n"
      "DEFN 10 ST=RECD,RT=;AFTER:F8.2\n");
  EXPECT_EQ(fields_of(dfn),
            "LINE 1I unit= null= name=Line number\n"
            "fid 1R unit=s null= name=\n"
            "Easting 1R unit=m null=-9999.99 name=Easting (GDA94 zone 54)\n"
            "LASER 1R unit=m null=-99.99 name=\n"
            "DATE 1A unit= null= name=\n"
            "HCP_I 5R unit=ppm null=-99999 name=\n"
            "CXQ5500 1R unit=ppm null= name=\n");
  EXPECT_EQ(dfn_columns(dfn), 11u);
  EXPECT_EQ(dfn.record_type, "");

  // Typed data records: the tag is no column, whether defined as a field of
  // its own or not; END DEFN on a record of its own ends the fields.
  const Dfn typed = parse_dfn(
      "DEFN001 ST=RECD,RT=DATA;RT:A4\n"
      "DEFN002 ST=RECD,RT=DATA;X:F10.1\n"
      "DEFN003 ST=RECD,RT=DATA;INPHASE:3F9.2\n"
      "DEFN004 ST=RECD,RT=DATA;END DEFN\n");
  EXPECT_EQ(fields_of(typed),
            "X 1R unit= null= name=\n"
            "INPHASE 3R unit= null= name=\n");
  EXPECT_EQ(typed.record_type, "DATA");

  // A broken count is one column, not a hundred thousand.
  EXPECT_EQ(dfn_columns(parse_dfn("DEFN 1 ST=RECD,RT=;EM:999999999E12.4\n")), 1u);
}

}  // namespace
}  // namespace kivo
