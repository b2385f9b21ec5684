#include "main/main1.h"

namespace siteloom {

void main1::Command4_Click() {}

} // namespace siteloom
