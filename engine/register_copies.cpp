#include "engine/register_copies.h"

#include "engine/setup_access.h"

namespace engine {
namespace {

int CopyInternal(CVX_Setup& setup, const char* from, const char* to) {
  const auto value = Internal(setup, from);
  CVX_Parameter* target = Find(setup, to);
  if (!value || !target) return 0;
  return WriteInternal(target, *value);
}

}  // namespace

int ComputeSATID(CVX_Setup& setup) { return CopyInternal(setup, "SATPWM", "SATID"); }
int ComputeSATIQ(CVX_Setup& setup) { return CopyInternal(setup, "SATPWM", "SATIQ"); }
int ComputeIDRSTEP(CVX_Setup& setup) { return CopyInternal(setup, "RunCurrent", "IDRSTEP"); }

int ComputeMAXCORRERR(CVX_Setup& setup) { return CopyInternal(setup, "MaxCorrErrUser", "MAXCORRERR"); }
int ComputeCACCDECR(CVX_Setup& setup) { return CopyInternal(setup, "CaccDecrUser", "CACCDECR"); }
int ComputeCSPDDECR(CVX_Setup& setup) { return CopyInternal(setup, "CspdDecrUser", "CSPDDECR"); }
int RecoverMaxCorrErrUser(CVX_Setup& setup) { return CopyInternal(setup, "MAXCORRERR", "MaxCorrErrUser"); }
int RecoverCaccDecrUser(CVX_Setup& setup) { return CopyInternal(setup, "CACCDECR", "CaccDecrUser"); }
int RecoverCspdDecrUser(CVX_Setup& setup) { return CopyInternal(setup, "CSPDDECR", "CspdDecrUser"); }

}  // namespace engine
