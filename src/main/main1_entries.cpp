#include "main/main1.h"

namespace siteloom {

void main1::Command2_Click() {}
void main1::Command3_Click() {}
void main1::Command5_Click() {}
void main1::Command6_Click() {}
void main1::Command7_Click() {}

} // namespace siteloom
