// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/profile/Profile.h"

oRYXAutoProfile::oRYXAutoProfile(const char* name) : m_name(name != nullptr ? name : "") {
  oRYXProfile::startTimer(m_name);
}

oRYXAutoProfile::~oRYXAutoProfile() {
  oRYXProfile::stopTimer(m_name);
  oRYXProfile::clean(m_name);
}

oRYXAutoProfile::oRYXAutoProfile(const oRYXAutoProfile& other) : m_name(other.m_name) {}

oRYXAutoProfile& oRYXAutoProfile::operator=(const oRYXAutoProfile& other) {
  m_name = other.m_name;
  return *this;
}
