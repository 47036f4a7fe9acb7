#pragma once
// Test module: the message envelope of the control connection and the shapes the coder
// must handle, written exactly as a generated protocol module is.

#include "asn1/ASN1.h"

namespace TestLGCP {

class ErrorCause : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { invalidParams = 0, insufficientResources = 1, invalidSlot = 2, slotNotExists = 3, unexpectedMsgType = 4, internal = 5, unsupported = 6, reconnectionFail = 7, disconnectFail = 8, connectFail = 9, busError = 10, slotIdBusy = 11, destroyInProgress = 12 };
  static const InfoType theInfo;
  ErrorCause() : ENUMERATED(&theInfo, 0) {}
  ErrorCause(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  ErrorCause& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class ED137CauseCode : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { radio_session_pre_emption = 2000, radio_missing_r2s_keepalive = 2001, radio_fid_does_not_match = 2002, radio_radio_in_maintenance_mode = 2003, radio_internal_error = 2004, radio_coupling_not_allowed = 2005, radio_radio_access_mode_doesnt_match = 2006, radio_parameter_error = 2007, radio_limit_exceeded = 2008, radio_linked_session_clear_command = 2009, radio_linked_session_disabled = 2010, radio_radio_assignment_doesnt_match = 2011, radio_rtphe_not_supported = 2012, radio_sdp_attributes_not_compatible = 2013, radio_multicast_not_supported = 2014, radio_invalid_multicast_values = 2015, radio_no_permissions = 2099 };
  static const InfoType theInfo;
  ED137CauseCode() : ENUMERATED(&theInfo, 0) {}
  ED137CauseCode(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  ED137CauseCode& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class RadioStandby : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { not_use = -1, active = 0, standby = 1 };
  static const InfoType theInfo;
  RadioStandby() : ENUMERATED(&theInfo, 0) {}
  RadioStandby(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  RadioStandby& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class AnalogGainID : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { rtx1 = 0, min = 0, rtx2 = 1, rtx3 = 2, rtx4 = 3, rx1 = 4, rx2 = 5, tx1 = 6, tx2 = 7, sp1 = 8, sp2 = 9, rsh = 10, max = 10, mux = 11 };
  static const InfoType theInfo;
  AnalogGainID() : ENUMERATED(&theInfo, 0) {}
  AnalogGainID(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  AnalogGainID& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class IpQoSDSCP : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { be = 0, cs1 = 8, af11 = 10, cs7 = 56, count = 23 };
  static const InfoType theInfo;
  IpQoSDSCP() : ENUMERATED(&theInfo, 0) {}
  IpQoSDSCP(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  IpQoSDSCP& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class R1Code : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { none = 0, noise = 1, silence = 2 };
  static const InfoType theInfo;
  R1Code() : ENUMERATED(&theInfo, 0) {}
  R1Code(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  R1Code& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class DeactivateCause : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { networkError = 0, otherError = 1 };
  static const InfoType theInfo;
  DeactivateCause() : ENUMERATED(&theInfo, 0) {}
  DeactivateCause(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  DeactivateCause& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class Payload : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { pcma = 0, pcmu = 1, g723 = 2, g729 = 3 };
  static const InfoType theInfo;
  Payload() : ENUMERATED(&theInfo, 0) {}
  Payload(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  Payload& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class Framing : public ASN1::ENUMERATED {
 public:
  enum NamedNumber : int { e1 = 0, e1_crc4 = 1, t1 = 2 };
  static const InfoType theInfo;
  Framing() : ENUMERATED(&theInfo, 0) {}
  Framing(NamedNumber v) : ENUMERATED(&theInfo, v) {}
  Framing& operator=(NamedNumber v) { setValue(v); return *this; }
  NamedNumber getValue() const { return NamedNumber(ENUMERATED::getValue()); }
};

class DualTone : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  DualTone() : SEQUENCE(&theInfo) {}
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>& get_f1() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>>(0); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>& get_f1() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>>(0); }
  void set_f1(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>>(0) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>& get_f2() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>>(1); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>& get_f2() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>>(1); }
  void set_f2(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>>(1) = v; }
};

class BpcTestMode : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { normal_id = 0, inverted_id = 1, pattern_id = 2 };
  BpcTestMode() : CHOICE(&theInfo) {}
  ASN1::Null* get_normal() { return alternative<ASN1::Null>(normal_id); }
  const ASN1::Null* get_normal() const { return alternative<ASN1::Null>(normal_id); }
  ASN1::Null& set_normal() { return select<ASN1::Null>(normal_id); }
  void set_normal(const ASN1::Null& v) { select<ASN1::Null>(normal_id) = v; }
  ASN1::Null* get_inverted() { return alternative<ASN1::Null>(inverted_id); }
  const ASN1::Null* get_inverted() const { return alternative<ASN1::Null>(inverted_id); }
  ASN1::Null& set_inverted() { return select<ASN1::Null>(inverted_id); }
  void set_inverted(const ASN1::Null& v) { select<ASN1::Null>(inverted_id) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>* get_pattern() { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>>(pattern_id); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>* get_pattern() const { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>>(pattern_id); }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>& set_pattern() { return select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>>(pattern_id); }
  void set_pattern(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>& v) { select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>>(pattern_id) = v; }
};

class BpcTestParams : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  BpcTestParams() : SEQUENCE(&theInfo) {}
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15u>& get_bus() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15u>>(0); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15u>& get_bus() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15u>>(0); }
  void set_bus(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15u>>(0) = v; }
  ASN1::INTEGER& get_seed() { return field<ASN1::INTEGER>(1); }
  const ASN1::INTEGER& get_seed() const { return field<ASN1::INTEGER>(1); }
  void set_seed(const ASN1::INTEGER& v) { setField<ASN1::INTEGER>(1) = v; }
  BpcTestMode& get_mode() { return field<BpcTestMode>(2); }
  const BpcTestMode& get_mode() const { return field<BpcTestMode>(2); }
  void set_mode(const BpcTestMode& v) { setField<BpcTestMode>(2) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>& get_timeslot_start() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(3); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>& get_timeslot_start() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(3); }
  void set_timeslot_start(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(3) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>& get_timeslot_length() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(4); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>& get_timeslot_length() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(4); }
  void set_timeslot_length(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(4) = v; }
};

class RtpParams : public ASN1::SEQUENCE {
 public:
  struct dname {
    class value_type : public ASN1::IA5String {
     public:
      static const InfoType theInfo;
      value_type(std::string_view s = {}) : IA5String(&theInfo, s) {}
      value_type(const char* s) : IA5String(&theInfo, s) {}
      value_type(const std::string& s) : IA5String(&theInfo, s) {}
      using IA5String::operator=;
    };
  };
  static const InfoType theInfo;
  RtpParams() : SEQUENCE(&theInfo) {}
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535u>& get_local_port() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535u>>(0); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535u>& get_local_port() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535u>>(0); }
  void set_local_port(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535u>>(0) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>& get_ssrc() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>>(1); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>& get_ssrc() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>>(1); }
  void set_ssrc(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>>(1) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>& get_ttl() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>>(2); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>& get_ttl() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>>(2); }
  void set_ttl(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>>(2) = v; }
  dname::value_type& get_dname() { return field<dname::value_type>(3); }
  const dname::value_type& get_dname() const { return field<dname::value_type>(3); }
  void set_dname(const dname::value_type& v) { setField<dname::value_type>(3) = v; }
  Payload& get_payload() { return field<Payload>(4); }
  const Payload& get_payload() const { return field<Payload>(4); }
  void set_payload(const Payload& v) { setField<Payload>(4) = v; }
};

class CreateParams : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { mixerOut_id = 0, rtp_id = 1, trunk_id = 2 };
  CreateParams() : CHOICE(&theInfo) {}
  ASN1::Null* get_mixerOut() { return alternative<ASN1::Null>(mixerOut_id); }
  const ASN1::Null* get_mixerOut() const { return alternative<ASN1::Null>(mixerOut_id); }
  ASN1::Null& set_mixerOut() { return select<ASN1::Null>(mixerOut_id); }
  void set_mixerOut(const ASN1::Null& v) { select<ASN1::Null>(mixerOut_id) = v; }
  RtpParams* get_rtp() { return alternative<RtpParams>(rtp_id); }
  const RtpParams* get_rtp() const { return alternative<RtpParams>(rtp_id); }
  RtpParams& set_rtp() { return select<RtpParams>(rtp_id); }
  void set_rtp(const RtpParams& v) { select<RtpParams>(rtp_id) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>* get_trunk() { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>>(trunk_id); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>* get_trunk() const { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>>(trunk_id); }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>& set_trunk() { return select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>>(trunk_id); }
  void set_trunk(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>& v) { select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>>(trunk_id) = v; }
};

class ActivateParams : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  ActivateParams() : SEQUENCE(&theInfo) {}
  Payload& get_payload() { return field<Payload>(0); }
  const Payload& get_payload() const { return field<Payload>(0); }
  void set_payload(const Payload& v) { setField<Payload>(0) = v; }
  ASN1::SEQUENCE_OF<DualTone, ASN1::EmptyConstraint>& get_tones() { return field<ASN1::SEQUENCE_OF<DualTone, ASN1::EmptyConstraint>>(1); }
  const ASN1::SEQUENCE_OF<DualTone, ASN1::EmptyConstraint>& get_tones() const { return field<ASN1::SEQUENCE_OF<DualTone, ASN1::EmptyConstraint>>(1); }
  void set_tones(const ASN1::SEQUENCE_OF<DualTone, ASN1::EmptyConstraint>& v) { setField<ASN1::SEQUENCE_OF<DualTone, ASN1::EmptyConstraint>>(1) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>& get_gain() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>>(2); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>& get_gain() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>>(2); }
  void set_gain(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>>(2) = v; }
  ASN1::IA5String& get_label() { return field<ASN1::IA5String>(3); }
  const ASN1::IA5String& get_label() const { return field<ASN1::IA5String>(3); }
  void set_label(const ASN1::IA5String& v) { setField<ASN1::IA5String>(3) = v; }
  ED137CauseCode& get_cause() { return field<ED137CauseCode>(4); }
  const ED137CauseCode& get_cause() const { return field<ED137CauseCode>(4); }
  void set_cause(const ED137CauseCode& v) { setField<ED137CauseCode>(4) = v; }
  RadioStandby& get_standby() { return field<RadioStandby>(5); }
  const RadioStandby& get_standby() const { return field<RadioStandby>(5); }
  void set_standby(const RadioStandby& v) { setField<RadioStandby>(5) = v; }
};

class IoctlParams : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  IoctlParams() : SEQUENCE(&theInfo) {}
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>& get_code() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>>(0); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>& get_code() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>>(0); }
  void set_code(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>>(0) = v; }
  ASN1::SET_OF<ASN1::INTEGER, ASN1::EmptyConstraint>& get_args() { return field<ASN1::SET_OF<ASN1::INTEGER, ASN1::EmptyConstraint>>(1); }
  const ASN1::SET_OF<ASN1::INTEGER, ASN1::EmptyConstraint>& get_args() const { return field<ASN1::SET_OF<ASN1::INTEGER, ASN1::EmptyConstraint>>(1); }
  void set_args(const ASN1::SET_OF<ASN1::INTEGER, ASN1::EmptyConstraint>& v) { setField<ASN1::SET_OF<ASN1::INTEGER, ASN1::EmptyConstraint>>(1) = v; }
};

class TrunkCfg : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  TrunkCfg() : SEQUENCE(&theInfo) {}
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>& get_trunk() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>>(0); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>& get_trunk() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>>(0); }
  void set_trunk(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>>(0) = v; }
  Framing& get_framing() { return field<Framing>(1); }
  const Framing& get_framing() const { return field<Framing>(1); }
  void set_framing(const Framing& v) { setField<Framing>(1) = v; }
  ASN1::BOOLEAN& get_idle() { return field<ASN1::BOOLEAN>(2); }
  const ASN1::BOOLEAN& get_idle() const { return field<ASN1::BOOLEAN>(2); }
  void set_idle(const ASN1::BOOLEAN& v) { setField<ASN1::BOOLEAN>(2) = v; }
};

class ClockCfg : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  ClockCfg() : SEQUENCE(&theInfo) {}
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>& get_source() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>>(0); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>& get_source() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>>(0); }
  void set_source(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>>(0) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 112000, 399975u>& get_fid() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 112000, 399975u>>(1); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 112000, 399975u>& get_fid() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 112000, 399975u>>(1); }
  void set_fid(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 112000, 399975u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 112000, 399975u>>(1) = v; }
};

class DisplayParams : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  DisplayParams() : SEQUENCE(&theInfo) {}
  ASN1::IA5String& get_title() { return field<ASN1::IA5String>(0); }
  const ASN1::IA5String& get_title() const { return field<ASN1::IA5String>(0); }
  void set_title(const ASN1::IA5String& v) { setField<ASN1::IA5String>(0) = v; }
  ASN1::SEQUENCE_OF<ASN1::IA5String, ASN1::EmptyConstraint>& get_lines() { return field<ASN1::SEQUENCE_OF<ASN1::IA5String, ASN1::EmptyConstraint>>(1); }
  const ASN1::SEQUENCE_OF<ASN1::IA5String, ASN1::EmptyConstraint>& get_lines() const { return field<ASN1::SEQUENCE_OF<ASN1::IA5String, ASN1::EmptyConstraint>>(1); }
  void set_lines(const ASN1::SEQUENCE_OF<ASN1::IA5String, ASN1::EmptyConstraint>& v) { setField<ASN1::SEQUENCE_OF<ASN1::IA5String, ASN1::EmptyConstraint>>(1) = v; }
};

class Caption : public ASN1::SEQUENCE {
 public:
  struct s {
    class value_type : public ASN1::IA5String {
     public:
      static const InfoType theInfo;
      value_type(std::string_view s = {}) : IA5String(&theInfo, s) {}
      value_type(const char* s) : IA5String(&theInfo, s) {}
      value_type(const std::string& s) : IA5String(&theInfo, s) {}
      using IA5String::operator=;
    };
  };
  static const InfoType theInfo;
  Caption() : SEQUENCE(&theInfo) {}
  s::value_type& get_s() { return field<s::value_type>(0); }
  const s::value_type& get_s() const { return field<s::value_type>(0); }
  void set_s(const s::value_type& v) { setField<s::value_type>(0) = v; }
  ASN1::BOOLEAN& get_b() { return field<ASN1::BOOLEAN>(1); }
  const ASN1::BOOLEAN& get_b() const { return field<ASN1::BOOLEAN>(1); }
  void set_b(const ASN1::BOOLEAN& v) { setField<ASN1::BOOLEAN>(1) = v; }
};

class Command : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { query_id = 0, testBpc_id = 1, connect_id = 2, disconnect_id = 3, create_id = 4, destroy_id = 5, activate_id = 6, deactivate_id = 7, userData_id = 8, ioctl_id = 9, trunkCfg_id = 10, clockCfg_id = 11, ping_id = 12, display_id = 13, protoZeri_id = 14 };
  Command() : CHOICE(&theInfo) {}
  ASN1::Null* get_query() { return alternative<ASN1::Null>(query_id); }
  const ASN1::Null* get_query() const { return alternative<ASN1::Null>(query_id); }
  ASN1::Null& set_query() { return select<ASN1::Null>(query_id); }
  void set_query(const ASN1::Null& v) { select<ASN1::Null>(query_id) = v; }
  BpcTestParams* get_testBpc() { return alternative<BpcTestParams>(testBpc_id); }
  const BpcTestParams* get_testBpc() const { return alternative<BpcTestParams>(testBpc_id); }
  BpcTestParams& set_testBpc() { return select<BpcTestParams>(testBpc_id); }
  void set_testBpc(const BpcTestParams& v) { select<BpcTestParams>(testBpc_id) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>* get_connect() { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>>(connect_id); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>* get_connect() const { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>>(connect_id); }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>& set_connect() { return select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>>(connect_id); }
  void set_connect(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>& v) { select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>>(connect_id) = v; }
  ASN1::Null* get_disconnect() { return alternative<ASN1::Null>(disconnect_id); }
  const ASN1::Null* get_disconnect() const { return alternative<ASN1::Null>(disconnect_id); }
  ASN1::Null& set_disconnect() { return select<ASN1::Null>(disconnect_id); }
  void set_disconnect(const ASN1::Null& v) { select<ASN1::Null>(disconnect_id) = v; }
  CreateParams* get_create() { return alternative<CreateParams>(create_id); }
  const CreateParams* get_create() const { return alternative<CreateParams>(create_id); }
  CreateParams& set_create() { return select<CreateParams>(create_id); }
  void set_create(const CreateParams& v) { select<CreateParams>(create_id) = v; }
  ASN1::Null* get_destroy() { return alternative<ASN1::Null>(destroy_id); }
  const ASN1::Null* get_destroy() const { return alternative<ASN1::Null>(destroy_id); }
  ASN1::Null& set_destroy() { return select<ASN1::Null>(destroy_id); }
  void set_destroy(const ASN1::Null& v) { select<ASN1::Null>(destroy_id) = v; }
  ActivateParams* get_activate() { return alternative<ActivateParams>(activate_id); }
  const ActivateParams* get_activate() const { return alternative<ActivateParams>(activate_id); }
  ActivateParams& set_activate() { return select<ActivateParams>(activate_id); }
  void set_activate(const ActivateParams& v) { select<ActivateParams>(activate_id) = v; }
  ASN1::Null* get_deactivate() { return alternative<ASN1::Null>(deactivate_id); }
  const ASN1::Null* get_deactivate() const { return alternative<ASN1::Null>(deactivate_id); }
  ASN1::Null& set_deactivate() { return select<ASN1::Null>(deactivate_id); }
  void set_deactivate(const ASN1::Null& v) { select<ASN1::Null>(deactivate_id) = v; }
  ASN1::OCTET_STRING* get_userData() { return alternative<ASN1::OCTET_STRING>(userData_id); }
  const ASN1::OCTET_STRING* get_userData() const { return alternative<ASN1::OCTET_STRING>(userData_id); }
  ASN1::OCTET_STRING& set_userData() { return select<ASN1::OCTET_STRING>(userData_id); }
  void set_userData(const ASN1::OCTET_STRING& v) { select<ASN1::OCTET_STRING>(userData_id) = v; }
  IoctlParams* get_ioctl() { return alternative<IoctlParams>(ioctl_id); }
  const IoctlParams* get_ioctl() const { return alternative<IoctlParams>(ioctl_id); }
  IoctlParams& set_ioctl() { return select<IoctlParams>(ioctl_id); }
  void set_ioctl(const IoctlParams& v) { select<IoctlParams>(ioctl_id) = v; }
  TrunkCfg* get_trunkCfg() { return alternative<TrunkCfg>(trunkCfg_id); }
  const TrunkCfg* get_trunkCfg() const { return alternative<TrunkCfg>(trunkCfg_id); }
  TrunkCfg& set_trunkCfg() { return select<TrunkCfg>(trunkCfg_id); }
  void set_trunkCfg(const TrunkCfg& v) { select<TrunkCfg>(trunkCfg_id) = v; }
  ClockCfg* get_clockCfg() { return alternative<ClockCfg>(clockCfg_id); }
  const ClockCfg* get_clockCfg() const { return alternative<ClockCfg>(clockCfg_id); }
  ClockCfg& set_clockCfg() { return select<ClockCfg>(clockCfg_id); }
  void set_clockCfg(const ClockCfg& v) { select<ClockCfg>(clockCfg_id) = v; }
  ASN1::Null* get_ping() { return alternative<ASN1::Null>(ping_id); }
  const ASN1::Null* get_ping() const { return alternative<ASN1::Null>(ping_id); }
  ASN1::Null& set_ping() { return select<ASN1::Null>(ping_id); }
  void set_ping(const ASN1::Null& v) { select<ASN1::Null>(ping_id) = v; }
  DisplayParams* get_display() { return alternative<DisplayParams>(display_id); }
  const DisplayParams* get_display() const { return alternative<DisplayParams>(display_id); }
  DisplayParams& set_display() { return select<DisplayParams>(display_id); }
  void set_display(const DisplayParams& v) { select<DisplayParams>(display_id) = v; }
  ASN1::OCTET_STRING* get_protoZeri() { return alternative<ASN1::OCTET_STRING>(protoZeri_id); }
  const ASN1::OCTET_STRING* get_protoZeri() const { return alternative<ASN1::OCTET_STRING>(protoZeri_id); }
  ASN1::OCTET_STRING& set_protoZeri() { return select<ASN1::OCTET_STRING>(protoZeri_id); }
  void set_protoZeri(const ASN1::OCTET_STRING& v) { select<ASN1::OCTET_STRING>(protoZeri_id) = v; }
};

class Response : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { success_id = 0, error_id = 1 };
  Response() : CHOICE(&theInfo) {}
  ASN1::Null* get_success() { return alternative<ASN1::Null>(success_id); }
  const ASN1::Null* get_success() const { return alternative<ASN1::Null>(success_id); }
  ASN1::Null& set_success() { return select<ASN1::Null>(success_id); }
  void set_success(const ASN1::Null& v) { select<ASN1::Null>(success_id) = v; }
  ErrorCause* get_error() { return alternative<ErrorCause>(error_id); }
  const ErrorCause* get_error() const { return alternative<ErrorCause>(error_id); }
  ErrorCause& set_error() { return select<ErrorCause>(error_id); }
  void set_error(const ErrorCause& v) { select<ErrorCause>(error_id) = v; }
};

class MixerResources_subtype : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  MixerResources_subtype() : SEQUENCE(&theInfo) {}
  ASN1::INTEGER& get_unit() { return field<ASN1::INTEGER>(0); }
  const ASN1::INTEGER& get_unit() const { return field<ASN1::INTEGER>(0); }
  void set_unit(const ASN1::INTEGER& v) { setField<ASN1::INTEGER>(0) = v; }
  ASN1::INTEGER& get_tdm_inputs() { return field<ASN1::INTEGER>(1); }
  const ASN1::INTEGER& get_tdm_inputs() const { return field<ASN1::INTEGER>(1); }
  void set_tdm_inputs(const ASN1::INTEGER& v) { setField<ASN1::INTEGER>(1) = v; }
};

class Resources : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  Resources() : SEQUENCE(&theInfo) {}
  ASN1::INTEGER& get_boardMajor() { return field<ASN1::INTEGER>(0); }
  const ASN1::INTEGER& get_boardMajor() const { return field<ASN1::INTEGER>(0); }
  void set_boardMajor(const ASN1::INTEGER& v) { setField<ASN1::INTEGER>(0) = v; }
  ASN1::INTEGER& get_boardMinor() { return field<ASN1::INTEGER>(1); }
  const ASN1::INTEGER& get_boardMinor() const { return field<ASN1::INTEGER>(1); }
  void set_boardMinor(const ASN1::INTEGER& v) { setField<ASN1::INTEGER>(1) = v; }
  ASN1::IA5String& get_drvVersion() { return field<ASN1::IA5String>(2); }
  const ASN1::IA5String& get_drvVersion() const { return field<ASN1::IA5String>(2); }
  void set_drvVersion(const ASN1::IA5String& v) { setField<ASN1::IA5String>(2) = v; }
  ASN1::SEQUENCE_OF<MixerResources_subtype, ASN1::EmptyConstraint>& get_mixer() { return field<ASN1::SEQUENCE_OF<MixerResources_subtype, ASN1::EmptyConstraint>>(3); }
  const ASN1::SEQUENCE_OF<MixerResources_subtype, ASN1::EmptyConstraint>& get_mixer() const { return field<ASN1::SEQUENCE_OF<MixerResources_subtype, ASN1::EmptyConstraint>>(3); }
  void set_mixer(const ASN1::SEQUENCE_OF<MixerResources_subtype, ASN1::EmptyConstraint>& v) { setField<ASN1::SEQUENCE_OF<MixerResources_subtype, ASN1::EmptyConstraint>>(3) = v; }
  ASN1::BOOLEAN& get_mux() { return field<ASN1::BOOLEAN>(4); }
  const ASN1::BOOLEAN& get_mux() const { return field<ASN1::BOOLEAN>(4); }
  void set_mux(const ASN1::BOOLEAN& v) { setField<ASN1::BOOLEAN>(4) = v; }
  ASN1::SEQUENCE_OF<ASN1::INTEGER, ASN1::EmptyConstraint>& get_echoBus() { return field<ASN1::SEQUENCE_OF<ASN1::INTEGER, ASN1::EmptyConstraint>>(5); }
  const ASN1::SEQUENCE_OF<ASN1::INTEGER, ASN1::EmptyConstraint>& get_echoBus() const { return field<ASN1::SEQUENCE_OF<ASN1::INTEGER, ASN1::EmptyConstraint>>(5); }
  void set_echoBus(const ASN1::SEQUENCE_OF<ASN1::INTEGER, ASN1::EmptyConstraint>& v) { setField<ASN1::SEQUENCE_OF<ASN1::INTEGER, ASN1::EmptyConstraint>>(5) = v; }
};

class IvaCode : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { code_id = 0, ringoff_id = 1 };
  IvaCode() : CHOICE(&theInfo) {}
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>* get_code() { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>>(code_id); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>* get_code() const { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>>(code_id); }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>& set_code() { return select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>>(code_id); }
  void set_code(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>& v) { select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>>(code_id) = v; }
  ASN1::Null* get_ringoff() { return alternative<ASN1::Null>(ringoff_id); }
  const ASN1::Null* get_ringoff() const { return alternative<ASN1::Null>(ringoff_id); }
  ASN1::Null& set_ringoff() { return select<ASN1::Null>(ringoff_id); }
  void set_ringoff(const ASN1::Null& v) { select<ASN1::Null>(ringoff_id) = v; }
};

class TonePresence : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  TonePresence() : SEQUENCE(&theInfo) {}
  ASN1::INTEGER& get_freq() { return field<ASN1::INTEGER>(0); }
  const ASN1::INTEGER& get_freq() const { return field<ASN1::INTEGER>(0); }
  void set_freq(const ASN1::INTEGER& v) { setField<ASN1::INTEGER>(0) = v; }
  ASN1::BOOLEAN& get_presence() { return field<ASN1::BOOLEAN>(1); }
  const ASN1::BOOLEAN& get_presence() const { return field<ASN1::BOOLEAN>(1); }
  void set_presence(const ASN1::BOOLEAN& v) { setField<ASN1::BOOLEAN>(1) = v; }
};

class TonecCode : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { dtmf_id = 0, r1_id = 1, ced_id = 2, cng_id = 3, iva_id = 4, tone_presence_id = 5, dtmfDone_id = 6 };
  TonecCode() : CHOICE(&theInfo) {}
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>* get_dtmf() { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(dtmf_id); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>* get_dtmf() const { return alternative<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(dtmf_id); }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>& set_dtmf() { return select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(dtmf_id); }
  void set_dtmf(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>& v) { select<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>>(dtmf_id) = v; }
  R1Code* get_r1() { return alternative<R1Code>(r1_id); }
  const R1Code* get_r1() const { return alternative<R1Code>(r1_id); }
  R1Code& set_r1() { return select<R1Code>(r1_id); }
  void set_r1(const R1Code& v) { select<R1Code>(r1_id) = v; }
  ASN1::Null* get_ced() { return alternative<ASN1::Null>(ced_id); }
  const ASN1::Null* get_ced() const { return alternative<ASN1::Null>(ced_id); }
  ASN1::Null& set_ced() { return select<ASN1::Null>(ced_id); }
  void set_ced(const ASN1::Null& v) { select<ASN1::Null>(ced_id) = v; }
  ASN1::Null* get_cng() { return alternative<ASN1::Null>(cng_id); }
  const ASN1::Null* get_cng() const { return alternative<ASN1::Null>(cng_id); }
  ASN1::Null& set_cng() { return select<ASN1::Null>(cng_id); }
  void set_cng(const ASN1::Null& v) { select<ASN1::Null>(cng_id) = v; }
  IvaCode* get_iva() { return alternative<IvaCode>(iva_id); }
  const IvaCode* get_iva() const { return alternative<IvaCode>(iva_id); }
  IvaCode& set_iva() { return select<IvaCode>(iva_id); }
  void set_iva(const IvaCode& v) { select<IvaCode>(iva_id) = v; }
  TonePresence* get_tone_presence() { return alternative<TonePresence>(tone_presence_id); }
  const TonePresence* get_tone_presence() const { return alternative<TonePresence>(tone_presence_id); }
  TonePresence& set_tone_presence() { return select<TonePresence>(tone_presence_id); }
  void set_tone_presence(const TonePresence& v) { select<TonePresence>(tone_presence_id) = v; }
  ASN1::Null* get_dtmfDone() { return alternative<ASN1::Null>(dtmfDone_id); }
  const ASN1::Null* get_dtmfDone() const { return alternative<ASN1::Null>(dtmfDone_id); }
  ASN1::Null& set_dtmfDone() { return select<ASN1::Null>(dtmfDone_id); }
  void set_dtmfDone(const ASN1::Null& v) { select<ASN1::Null>(dtmfDone_id) = v; }
};

class TonecEvent : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  TonecEvent() : SEQUENCE(&theInfo) {}
  ASN1::INTEGER& get_timestamp() { return field<ASN1::INTEGER>(0); }
  const ASN1::INTEGER& get_timestamp() const { return field<ASN1::INTEGER>(0); }
  void set_timestamp(const ASN1::INTEGER& v) { setField<ASN1::INTEGER>(0) = v; }
  TonecCode& get_event() { return field<TonecCode>(1); }
  const TonecCode& get_event() const { return field<TonecCode>(1); }
  void set_event(const TonecCode& v) { setField<TonecCode>(1) = v; }
};

class Stream : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { inactive_id = 0, active_id = 1 };
  Stream() : CHOICE(&theInfo) {}
  ASN1::Null* get_inactive() { return alternative<ASN1::Null>(inactive_id); }
  const ASN1::Null* get_inactive() const { return alternative<ASN1::Null>(inactive_id); }
  ASN1::Null& set_inactive() { return select<ASN1::Null>(inactive_id); }
  void set_inactive(const ASN1::Null& v) { select<ASN1::Null>(inactive_id) = v; }
  ASN1::INTEGER* get_active() { return alternative<ASN1::INTEGER>(active_id); }
  const ASN1::INTEGER* get_active() const { return alternative<ASN1::INTEGER>(active_id); }
  ASN1::INTEGER& set_active() { return select<ASN1::INTEGER>(active_id); }
  void set_active(const ASN1::INTEGER& v) { select<ASN1::INTEGER>(active_id) = v; }
};

class SDEvent : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  SDEvent() : SEQUENCE(&theInfo) {}
  ASN1::BOOLEAN& get_sd_rx() { return field<ASN1::BOOLEAN>(0); }
  const ASN1::BOOLEAN& get_sd_rx() const { return field<ASN1::BOOLEAN>(0); }
  void set_sd_rx(const ASN1::BOOLEAN& v) { setField<ASN1::BOOLEAN>(0) = v; }
};

class Empty : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  Empty() : SEQUENCE(&theInfo) {}
};

class Signal : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { query_id = 0, tonec_id = 1, number_id = 2, modemProceeding_id = 3, modemInformation_id = 4, activated_id = 5, deactivated_id = 6, abort_id = 7, userData_id = 8, receiver_id = 9, transmitter_id = 10, trunkStatus_id = 11, ioctl_id = 12, loadAvg_id = 13, cas_id = 14, rtpExt_id = 15, vad_id = 16, power_id = 17, protoZeri_id = 18, sd_id = 19, bss_id = 20, rtp_id = 21, selcal_id = 22 };
  Signal() : CHOICE(&theInfo) {}
  Resources* get_query() { return alternative<Resources>(query_id); }
  const Resources* get_query() const { return alternative<Resources>(query_id); }
  Resources& set_query() { return select<Resources>(query_id); }
  void set_query(const Resources& v) { select<Resources>(query_id) = v; }
  TonecEvent* get_tonec() { return alternative<TonecEvent>(tonec_id); }
  const TonecEvent* get_tonec() const { return alternative<TonecEvent>(tonec_id); }
  TonecEvent& set_tonec() { return select<TonecEvent>(tonec_id); }
  void set_tonec(const TonecEvent& v) { select<TonecEvent>(tonec_id) = v; }
  ASN1::IA5String* get_number() { return alternative<ASN1::IA5String>(number_id); }
  const ASN1::IA5String* get_number() const { return alternative<ASN1::IA5String>(number_id); }
  ASN1::IA5String& set_number() { return select<ASN1::IA5String>(number_id); }
  void set_number(const ASN1::IA5String& v) { select<ASN1::IA5String>(number_id) = v; }
  ASN1::Null* get_modemProceeding() { return alternative<ASN1::Null>(modemProceeding_id); }
  const ASN1::Null* get_modemProceeding() const { return alternative<ASN1::Null>(modemProceeding_id); }
  ASN1::Null& set_modemProceeding() { return select<ASN1::Null>(modemProceeding_id); }
  void set_modemProceeding(const ASN1::Null& v) { select<ASN1::Null>(modemProceeding_id) = v; }
  ASN1::Null* get_modemInformation() { return alternative<ASN1::Null>(modemInformation_id); }
  const ASN1::Null* get_modemInformation() const { return alternative<ASN1::Null>(modemInformation_id); }
  ASN1::Null& set_modemInformation() { return select<ASN1::Null>(modemInformation_id); }
  void set_modemInformation(const ASN1::Null& v) { select<ASN1::Null>(modemInformation_id) = v; }
  ASN1::Null* get_activated() { return alternative<ASN1::Null>(activated_id); }
  const ASN1::Null* get_activated() const { return alternative<ASN1::Null>(activated_id); }
  ASN1::Null& set_activated() { return select<ASN1::Null>(activated_id); }
  void set_activated(const ASN1::Null& v) { select<ASN1::Null>(activated_id) = v; }
  DeactivateCause* get_deactivated() { return alternative<DeactivateCause>(deactivated_id); }
  const DeactivateCause* get_deactivated() const { return alternative<DeactivateCause>(deactivated_id); }
  DeactivateCause& set_deactivated() { return select<DeactivateCause>(deactivated_id); }
  void set_deactivated(const DeactivateCause& v) { select<DeactivateCause>(deactivated_id) = v; }
  ASN1::INTEGER* get_abort() { return alternative<ASN1::INTEGER>(abort_id); }
  const ASN1::INTEGER* get_abort() const { return alternative<ASN1::INTEGER>(abort_id); }
  ASN1::INTEGER& set_abort() { return select<ASN1::INTEGER>(abort_id); }
  void set_abort(const ASN1::INTEGER& v) { select<ASN1::INTEGER>(abort_id) = v; }
  ASN1::OCTET_STRING* get_userData() { return alternative<ASN1::OCTET_STRING>(userData_id); }
  const ASN1::OCTET_STRING* get_userData() const { return alternative<ASN1::OCTET_STRING>(userData_id); }
  ASN1::OCTET_STRING& set_userData() { return select<ASN1::OCTET_STRING>(userData_id); }
  void set_userData(const ASN1::OCTET_STRING& v) { select<ASN1::OCTET_STRING>(userData_id) = v; }
  Stream* get_receiver() { return alternative<Stream>(receiver_id); }
  const Stream* get_receiver() const { return alternative<Stream>(receiver_id); }
  Stream& set_receiver() { return select<Stream>(receiver_id); }
  void set_receiver(const Stream& v) { select<Stream>(receiver_id) = v; }
  Stream* get_transmitter() { return alternative<Stream>(transmitter_id); }
  const Stream* get_transmitter() const { return alternative<Stream>(transmitter_id); }
  Stream& set_transmitter() { return select<Stream>(transmitter_id); }
  void set_transmitter(const Stream& v) { select<Stream>(transmitter_id) = v; }
  Empty* get_trunkStatus() { return alternative<Empty>(trunkStatus_id); }
  const Empty* get_trunkStatus() const { return alternative<Empty>(trunkStatus_id); }
  Empty& set_trunkStatus() { return select<Empty>(trunkStatus_id); }
  void set_trunkStatus(const Empty& v) { select<Empty>(trunkStatus_id) = v; }
  ASN1::Null* get_ioctl() { return alternative<ASN1::Null>(ioctl_id); }
  const ASN1::Null* get_ioctl() const { return alternative<ASN1::Null>(ioctl_id); }
  ASN1::Null& set_ioctl() { return select<ASN1::Null>(ioctl_id); }
  void set_ioctl(const ASN1::Null& v) { select<ASN1::Null>(ioctl_id) = v; }
  ASN1::Null* get_loadAvg() { return alternative<ASN1::Null>(loadAvg_id); }
  const ASN1::Null* get_loadAvg() const { return alternative<ASN1::Null>(loadAvg_id); }
  ASN1::Null& set_loadAvg() { return select<ASN1::Null>(loadAvg_id); }
  void set_loadAvg(const ASN1::Null& v) { select<ASN1::Null>(loadAvg_id) = v; }
  ASN1::Null* get_cas() { return alternative<ASN1::Null>(cas_id); }
  const ASN1::Null* get_cas() const { return alternative<ASN1::Null>(cas_id); }
  ASN1::Null& set_cas() { return select<ASN1::Null>(cas_id); }
  void set_cas(const ASN1::Null& v) { select<ASN1::Null>(cas_id) = v; }
  ASN1::Null* get_rtpExt() { return alternative<ASN1::Null>(rtpExt_id); }
  const ASN1::Null* get_rtpExt() const { return alternative<ASN1::Null>(rtpExt_id); }
  ASN1::Null& set_rtpExt() { return select<ASN1::Null>(rtpExt_id); }
  void set_rtpExt(const ASN1::Null& v) { select<ASN1::Null>(rtpExt_id) = v; }
  ASN1::Null* get_vad() { return alternative<ASN1::Null>(vad_id); }
  const ASN1::Null* get_vad() const { return alternative<ASN1::Null>(vad_id); }
  ASN1::Null& set_vad() { return select<ASN1::Null>(vad_id); }
  void set_vad(const ASN1::Null& v) { select<ASN1::Null>(vad_id) = v; }
  ASN1::Null* get_power() { return alternative<ASN1::Null>(power_id); }
  const ASN1::Null* get_power() const { return alternative<ASN1::Null>(power_id); }
  ASN1::Null& set_power() { return select<ASN1::Null>(power_id); }
  void set_power(const ASN1::Null& v) { select<ASN1::Null>(power_id) = v; }
  ASN1::OCTET_STRING* get_protoZeri() { return alternative<ASN1::OCTET_STRING>(protoZeri_id); }
  const ASN1::OCTET_STRING* get_protoZeri() const { return alternative<ASN1::OCTET_STRING>(protoZeri_id); }
  ASN1::OCTET_STRING& set_protoZeri() { return select<ASN1::OCTET_STRING>(protoZeri_id); }
  void set_protoZeri(const ASN1::OCTET_STRING& v) { select<ASN1::OCTET_STRING>(protoZeri_id) = v; }
  SDEvent* get_sd() { return alternative<SDEvent>(sd_id); }
  const SDEvent* get_sd() const { return alternative<SDEvent>(sd_id); }
  SDEvent& set_sd() { return select<SDEvent>(sd_id); }
  void set_sd(const SDEvent& v) { select<SDEvent>(sd_id) = v; }
  ASN1::Null* get_bss() { return alternative<ASN1::Null>(bss_id); }
  const ASN1::Null* get_bss() const { return alternative<ASN1::Null>(bss_id); }
  ASN1::Null& set_bss() { return select<ASN1::Null>(bss_id); }
  void set_bss(const ASN1::Null& v) { select<ASN1::Null>(bss_id) = v; }
  ASN1::Null* get_rtp() { return alternative<ASN1::Null>(rtp_id); }
  const ASN1::Null* get_rtp() const { return alternative<ASN1::Null>(rtp_id); }
  ASN1::Null& set_rtp() { return select<ASN1::Null>(rtp_id); }
  void set_rtp(const ASN1::Null& v) { select<ASN1::Null>(rtp_id) = v; }
  ASN1::Null* get_selcal() { return alternative<ASN1::Null>(selcal_id); }
  const ASN1::Null* get_selcal() const { return alternative<ASN1::Null>(selcal_id); }
  ASN1::Null& set_selcal() { return select<ASN1::Null>(selcal_id); }
  void set_selcal(const ASN1::Null& v) { select<ASN1::Null>(selcal_id) = v; }
};

class PDU : public ASN1::CHOICE {
 public:
  static const InfoType theInfo;
  enum Id { command_id = 0, response_id = 1, signal_id = 2 };
  PDU() : CHOICE(&theInfo) {}
  Command* get_command() { return alternative<Command>(command_id); }
  const Command* get_command() const { return alternative<Command>(command_id); }
  Command& set_command() { return select<Command>(command_id); }
  void set_command(const Command& v) { select<Command>(command_id) = v; }
  Response* get_response() { return alternative<Response>(response_id); }
  const Response* get_response() const { return alternative<Response>(response_id); }
  Response& set_response() { return select<Response>(response_id); }
  void set_response(const Response& v) { select<Response>(response_id) = v; }
  Signal* get_signal() { return alternative<Signal>(signal_id); }
  const Signal* get_signal() const { return alternative<Signal>(signal_id); }
  Signal& set_signal() { return select<Signal>(signal_id); }
  void set_signal(const Signal& v) { select<Signal>(signal_id) = v; }
};

class Message : public ASN1::SEQUENCE {
 public:
  static const InfoType theInfo;
  Message() : SEQUENCE(&theInfo) {}
  ASN1::INTEGER& get_seq() { return field<ASN1::INTEGER>(0); }
  const ASN1::INTEGER& get_seq() const { return field<ASN1::INTEGER>(0); }
  void set_seq(const ASN1::INTEGER& v) { setField<ASN1::INTEGER>(0) = v; }
  ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>& get_slot() { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>>(1); }
  const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>& get_slot() const { return field<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>>(1); }
  void set_slot(const ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>& v) { setField<ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>>(1) = v; }
  PDU& get_pdu() { return field<PDU>(2); }
  const PDU& get_pdu() const { return field<PDU>(2); }
  void set_pdu(const PDU& v) { setField<PDU>(2) = v; }
};

}  // namespace TestLGCP
