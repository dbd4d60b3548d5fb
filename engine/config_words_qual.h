#pragma once

class CVX_Setup;

// Encoder input qualification: a digital filter on the signals of each
// encoder input. "QUAL" switches qualification on; set A ("QUAL_ACT" period,
// "QUAL_AQ2" selectors) serves input 0 and set B ("QUAL_BCT", "QUAL_BQ2")
// input 1. Only setups with "isFilterEnc_MT" and "FilterEncValue_MT" have it.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing. The filter values are not recovered: the words keep only
// the period and the selector pattern, which several values share.
namespace engine {

// Writes all five words; the CT and Q2 words keep the bits outside their
// fields. A set that no filtered sensor selects gets zeros in its fields.
int ComputeQUAL(CVX_Setup& setup);
// A filter on the input of the sensor; needs the recovered sensor types.
int RecoverIsFilterEnc_MT(CVX_Setup& setup);
int RecoverIsFilterEnc_LD(CVX_Setup& setup);

}  // namespace engine
