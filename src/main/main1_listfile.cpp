#include "main/main1.h"

namespace siteloom {

void main1::fsave_Click() {}
void main1::fload_Click() {}

} // namespace siteloom
