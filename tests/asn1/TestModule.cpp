#include "TestModule.h"

namespace TestLGCP {

constexpr const char* const ErrorCause_enum_names__[] = {"invalidParams", "insufficientResources", "invalidSlot", "slotNotExists", "unexpectedMsgType", "internal", "unsupported", "reconnectionFail", "disconnectFail", "connectFail", "busError", "slotIdBusy", "destroyInProgress"};
constexpr ASN1::EnumInfo ErrorCause::theInfo = {{&ASN1::make<ErrorCause>, 10}, true, 12, ErrorCause_enum_names__, 13};

constexpr const char* const ED137CauseCode_enum_names__[] = {"radio-session-pre-emption=2000", "radio-missing-r2s-keepalive", "radio-fid-does-not-match", "radio-radio-in-maintenance-mode", "radio-internal-error", "radio-coupling-not-allowed", "radio-radio-access-mode-doesnt-match", "radio-parameter-error", "radio-limit-exceeded", "radio-linked-session-clear-command", "radio-linked-session-disabled", "radio-radio-assignment-doesnt-match", "radio-rtphe-not-supported", "radio-sdp-attributes-not-compatible", "radio-multicast-not-supported", "radio-invalid-multicast-values", "radio-no-permissions=2099"};
constexpr ASN1::EnumInfo ED137CauseCode::theInfo = {{&ASN1::make<ED137CauseCode>, 10}, true, 2099, ED137CauseCode_enum_names__, 17};

constexpr const char* const RadioStandby_enum_names__[] = {"not-use=-1", "active", "standby"};
constexpr ASN1::EnumInfo RadioStandby::theInfo = {{&ASN1::make<RadioStandby>, 10}, false, 1, RadioStandby_enum_names__, 3};

constexpr const char* const AnalogGainID_enum_names__[] = {"rtx1", "min=0", "rtx2", "rtx3", "rtx4", "rx1", "rx2", "tx1", "tx2", "sp1", "sp2", "rsh", "max=10", "mux"};
constexpr ASN1::EnumInfo AnalogGainID::theInfo = {{&ASN1::make<AnalogGainID>, 10}, false, 11, AnalogGainID_enum_names__, 14};

constexpr const char* const IpQoSDSCP_enum_names__[] = {"be", "cs1=8", "af11=10", "cs7=56", "count=23"};
constexpr ASN1::EnumInfo IpQoSDSCP::theInfo = {{&ASN1::make<IpQoSDSCP>, 10}, false, 56, IpQoSDSCP_enum_names__, 5};

constexpr const char* const R1Code_enum_names__[] = {"none", "noise", "silence"};
constexpr ASN1::EnumInfo R1Code::theInfo = {{&ASN1::make<R1Code>, 10}, false, 2, R1Code_enum_names__, 3};

constexpr const char* const DeactivateCause_enum_names__[] = {"networkError", "otherError"};
constexpr ASN1::EnumInfo DeactivateCause::theInfo = {{&ASN1::make<DeactivateCause>, 10}, true, 1, DeactivateCause_enum_names__, 2};

constexpr const char* const Payload_enum_names__[] = {"pcma", "pcmu", "g723", "g729"};
constexpr ASN1::EnumInfo Payload::theInfo = {{&ASN1::make<Payload>, 10}, false, 3, Payload_enum_names__, 4};

constexpr const char* const Framing_enum_names__[] = {"e1", "e1-crc4", "t1"};
constexpr ASN1::EnumInfo Framing::theInfo = {{&ASN1::make<Framing>, 10}, false, 2, Framing_enum_names__, 3};

constexpr const ASN1::TypeInfo* const DualTone_fieldInfos[] = {&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4095u>::theInfo};
constexpr int DualTone_fieldIds[] = {-1, -1};
constexpr const char* const DualTone_fieldNames[] = {"f1", "f2"};
constexpr ASN1::SequenceInfo DualTone::theInfo = {{&ASN1::make<DualTone>, 16}, false, DualTone_fieldInfos, DualTone_fieldIds, 2, 0, 0, nullptr, nullptr, DualTone_fieldNames};

constexpr const ASN1::TypeInfo* const BpcTestMode_selectionInfos[] = {&ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>::theInfo};
constexpr const char* const BpcTestMode_selectionNames[] = {"normal", "inverted", "pattern"};
constexpr ASN1::ChoiceInfo BpcTestMode::theInfo = {{&ASN1::make<BpcTestMode>, 0}, false, BpcTestMode_selectionInfos, 3, 3, nullptr, BpcTestMode_selectionNames};

constexpr const ASN1::TypeInfo* const BpcTestParams_fieldInfos[] = {&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 15u>::theInfo, &ASN1::INTEGER::theInfo, &BpcTestMode::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>::theInfo};
constexpr int BpcTestParams_fieldIds[] = {-1, -1, -1, -1, -1};
constexpr const char* const BpcTestParams_fieldNames[] = {"bus", "seed", "mode", "timeslot-start", "timeslot-length"};
constexpr ASN1::SequenceInfo BpcTestParams::theInfo = {{&ASN1::make<BpcTestParams>, 16}, false, BpcTestParams_fieldInfos, BpcTestParams_fieldIds, 5, 0, 0, nullptr, nullptr, BpcTestParams_fieldNames};

constexpr ASN1::StringInfo RtpParams::dname::value_type::theInfo = {
    {{&ASN1::make<RtpParams::dname::value_type>, 22}, ASN1::FixedConstraint, 1, 64u}, ASN1::IA5StringSet, 128, 7, 7, 8};
constexpr const ASN1::TypeInfo* const RtpParams_fieldInfos[] = {&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 65535u>::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 4294967295u>::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 255u>::theInfo, &RtpParams::dname::value_type::theInfo, &Payload::theInfo};
constexpr int RtpParams_fieldIds[] = {-1, -1, 0, 1, -1};
constexpr const char* const RtpParams_fieldNames[] = {"local-port", "ssrc", "ttl", "dname", "payload"};
constexpr ASN1::SequenceInfo RtpParams::theInfo = {{&ASN1::make<RtpParams>, 16}, true, RtpParams_fieldInfos, RtpParams_fieldIds, 5, 0, 2, nullptr, nullptr, RtpParams_fieldNames};

constexpr const ASN1::TypeInfo* const CreateParams_selectionInfos[] = {&ASN1::Null::theInfo, &RtpParams::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>::theInfo};
constexpr const char* const CreateParams_selectionNames[] = {"mixerOut", "rtp", "trunk"};
constexpr ASN1::ChoiceInfo CreateParams::theInfo = {{&ASN1::make<CreateParams>, 0}, true, CreateParams_selectionInfos, 3, 3, nullptr, CreateParams_selectionNames};

constexpr const ASN1::TypeInfo* const ActivateParams_fieldInfos[] = {&Payload::theInfo, &ASN1::SEQUENCE_OF<DualTone, ASN1::EmptyConstraint>::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>::theInfo, &ASN1::IA5String::theInfo, &ED137CauseCode::theInfo, &RadioStandby::theInfo};
constexpr int ActivateParams_fieldIds[] = {-1, -1, 0, 0, 0, 0};
constexpr const char* const ActivateParams_fieldNames[] = {"payload", "tones", "gain", "label", "cause", "standby"};
constexpr ASN1::SequenceInfo ActivateParams::theInfo = {{&ASN1::make<ActivateParams>, 16}, true, ActivateParams_fieldInfos, ActivateParams_fieldIds, 3, 3, 1, nullptr, nullptr, ActivateParams_fieldNames};

constexpr const ASN1::TypeInfo* const IoctlParams_fieldInfos[] = {&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 255u>::theInfo, &ASN1::SET_OF<ASN1::INTEGER, ASN1::EmptyConstraint>::theInfo};
constexpr int IoctlParams_fieldIds[] = {-1, -1};
constexpr const char* const IoctlParams_fieldNames[] = {"code", "args"};
constexpr ASN1::SequenceInfo IoctlParams::theInfo = {{&ASN1::make<IoctlParams>, 16}, false, IoctlParams_fieldInfos, IoctlParams_fieldIds, 2, 0, 0, nullptr, nullptr, IoctlParams_fieldNames};

constexpr const ASN1::TypeInfo* const TrunkCfg_fieldInfos[] = {&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 3u>::theInfo, &Framing::theInfo, &ASN1::BOOLEAN::theInfo};
constexpr int TrunkCfg_fieldIds[] = {-1, -1, -1};
constexpr const char* const TrunkCfg_fieldNames[] = {"trunk", "framing", "idle"};
constexpr ASN1::SequenceInfo TrunkCfg::theInfo = {{&ASN1::make<TrunkCfg>, 16}, false, TrunkCfg_fieldInfos, TrunkCfg_fieldIds, 3, 0, 0, nullptr, nullptr, TrunkCfg_fieldNames};

constexpr const ASN1::TypeInfo* const ClockCfg_fieldInfos[] = {&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, -128, 127u>::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 112000, 399975u>::theInfo};
constexpr int ClockCfg_fieldIds[] = {-1, 0};
constexpr const char* const ClockCfg_fieldNames[] = {"source", "fid"};
constexpr ASN1::SequenceInfo ClockCfg::theInfo = {{&ASN1::make<ClockCfg>, 16}, true, ClockCfg_fieldInfos, ClockCfg_fieldIds, 2, 0, 1, nullptr, nullptr, ClockCfg_fieldNames};

constexpr const ASN1::TypeInfo* const DisplayParams_fieldInfos[] = {&ASN1::IA5String::theInfo, &ASN1::SEQUENCE_OF<ASN1::IA5String, ASN1::EmptyConstraint>::theInfo};
constexpr int DisplayParams_fieldIds[] = {-1, -1};
constexpr const char* const DisplayParams_fieldNames[] = {"title", "lines"};
constexpr ASN1::SequenceInfo DisplayParams::theInfo = {{&ASN1::make<DisplayParams>, 16}, false, DisplayParams_fieldInfos, DisplayParams_fieldIds, 2, 0, 0, nullptr, nullptr, DisplayParams_fieldNames};

constexpr ASN1::StringInfo Caption::s::value_type::theInfo = {
    {{&ASN1::make<Caption::s::value_type>, 22}, ASN1::FixedConstraint, 0, 10u}, ASN1::IA5StringSet, 128, 7, 7, 8};
constexpr const ASN1::TypeInfo* const Caption_fieldInfos[] = {&Caption::s::value_type::theInfo, &ASN1::BOOLEAN::theInfo};
constexpr int Caption_fieldIds[] = {-1, -1};
constexpr const char* const Caption_fieldNames[] = {"s", "b"};
constexpr ASN1::SequenceInfo Caption::theInfo = {{&ASN1::make<Caption>, 16}, false, Caption_fieldInfos, Caption_fieldIds, 2, 0, 0, nullptr, nullptr, Caption_fieldNames};

constexpr const ASN1::TypeInfo* const Command_selectionInfos[] = {&ASN1::Null::theInfo, &BpcTestParams::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>::theInfo, &ASN1::Null::theInfo, &CreateParams::theInfo, &ASN1::Null::theInfo, &ActivateParams::theInfo, &ASN1::Null::theInfo, &ASN1::OCTET_STRING::theInfo, &IoctlParams::theInfo, &TrunkCfg::theInfo, &ClockCfg::theInfo, &ASN1::Null::theInfo, &DisplayParams::theInfo, &ASN1::OCTET_STRING::theInfo};
constexpr const char* const Command_selectionNames[] = {"query", "testBpc", "connect", "disconnect", "create", "destroy", "activate", "deactivate", "userData", "ioctl", "trunkCfg", "clockCfg", "ping", "display", "protoZeri"};
constexpr ASN1::ChoiceInfo Command::theInfo = {{&ASN1::make<Command>, 0}, true, Command_selectionInfos, 15, 15, nullptr, Command_selectionNames};

constexpr const ASN1::TypeInfo* const Response_selectionInfos[] = {&ASN1::Null::theInfo, &ErrorCause::theInfo};
constexpr const char* const Response_selectionNames[] = {"success", "error"};
constexpr ASN1::ChoiceInfo Response::theInfo = {{&ASN1::make<Response>, 0}, false, Response_selectionInfos, 2, 2, nullptr, Response_selectionNames};

constexpr const ASN1::TypeInfo* const MixerResources_subtype_fieldInfos[] = {&ASN1::INTEGER::theInfo, &ASN1::INTEGER::theInfo};
constexpr int MixerResources_subtype_fieldIds[] = {-1, -1};
constexpr const char* const MixerResources_subtype_fieldNames[] = {"unit", "tdm_inputs"};
constexpr ASN1::SequenceInfo MixerResources_subtype::theInfo = {{&ASN1::make<MixerResources_subtype>, 16}, true, MixerResources_subtype_fieldInfos, MixerResources_subtype_fieldIds, 2, 0, 0, nullptr, nullptr, MixerResources_subtype_fieldNames};

constexpr const ASN1::TypeInfo* const Resources_fieldInfos[] = {&ASN1::INTEGER::theInfo, &ASN1::INTEGER::theInfo, &ASN1::IA5String::theInfo, &ASN1::SEQUENCE_OF<MixerResources_subtype, ASN1::EmptyConstraint>::theInfo, &ASN1::BOOLEAN::theInfo, &ASN1::SEQUENCE_OF<ASN1::INTEGER, ASN1::EmptyConstraint>::theInfo};
constexpr int Resources_fieldIds[] = {-1, -1, 0, -1, -1, -1};
constexpr const char* const Resources_fieldNames[] = {"boardMajor", "boardMinor", "drvVersion", "mixer", "mux", "echoBus"};
constexpr ASN1::SequenceInfo Resources::theInfo = {{&ASN1::make<Resources>, 16}, true, Resources_fieldInfos, Resources_fieldIds, 6, 0, 1, nullptr, nullptr, Resources_fieldNames};

constexpr const ASN1::TypeInfo* const IvaCode_selectionInfos[] = {&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 1, 21u>::theInfo, &ASN1::Null::theInfo};
constexpr const char* const IvaCode_selectionNames[] = {"code", "ringoff"};
constexpr ASN1::ChoiceInfo IvaCode::theInfo = {{&ASN1::make<IvaCode>, 0}, false, IvaCode_selectionInfos, 2, 2, nullptr, IvaCode_selectionNames};

constexpr const ASN1::TypeInfo* const TonePresence_fieldInfos[] = {&ASN1::INTEGER::theInfo, &ASN1::BOOLEAN::theInfo};
constexpr int TonePresence_fieldIds[] = {-1, -1};
constexpr const char* const TonePresence_fieldNames[] = {"freq", "presence"};
constexpr ASN1::SequenceInfo TonePresence::theInfo = {{&ASN1::make<TonePresence>, 16}, true, TonePresence_fieldInfos, TonePresence_fieldIds, 2, 0, 0, nullptr, nullptr, TonePresence_fieldNames};

constexpr const ASN1::TypeInfo* const TonecCode_selectionInfos[] = {&ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 127u>::theInfo, &R1Code::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &IvaCode::theInfo, &TonePresence::theInfo, &ASN1::Null::theInfo};
constexpr const char* const TonecCode_selectionNames[] = {"dtmf", "r1", "ced", "cng", "iva", "tone-presence", "dtmfDone"};
constexpr ASN1::ChoiceInfo TonecCode::theInfo = {{&ASN1::make<TonecCode>, 0}, true, TonecCode_selectionInfos, 6, 7, nullptr, TonecCode_selectionNames};

constexpr const ASN1::TypeInfo* const TonecEvent_fieldInfos[] = {&ASN1::INTEGER::theInfo, &TonecCode::theInfo};
constexpr int TonecEvent_fieldIds[] = {-1, -1};
constexpr const char* const TonecEvent_fieldNames[] = {"timestamp", "event"};
constexpr ASN1::SequenceInfo TonecEvent::theInfo = {{&ASN1::make<TonecEvent>, 16}, false, TonecEvent_fieldInfos, TonecEvent_fieldIds, 2, 0, 0, nullptr, nullptr, TonecEvent_fieldNames};

constexpr const ASN1::TypeInfo* const Stream_selectionInfos[] = {&ASN1::Null::theInfo, &ASN1::INTEGER::theInfo};
constexpr const char* const Stream_selectionNames[] = {"inactive", "active"};
constexpr ASN1::ChoiceInfo Stream::theInfo = {{&ASN1::make<Stream>, 0}, false, Stream_selectionInfos, 2, 2, nullptr, Stream_selectionNames};

constexpr const ASN1::TypeInfo* const SDEvent_fieldInfos[] = {&ASN1::BOOLEAN::theInfo};
constexpr int SDEvent_fieldIds[] = {0};
constexpr const char* const SDEvent_fieldNames[] = {"sd-rx"};
constexpr ASN1::SequenceInfo SDEvent::theInfo = {{&ASN1::make<SDEvent>, 16}, false, SDEvent_fieldInfos, SDEvent_fieldIds, 1, 0, 1, nullptr, nullptr, SDEvent_fieldNames};

constexpr ASN1::SequenceInfo Empty::theInfo = {{&ASN1::make<Empty>, 16}, true, nullptr, nullptr, 0, 0, 0, nullptr, nullptr, nullptr};

constexpr const ASN1::TypeInfo* const Signal_selectionInfos[] = {&Resources::theInfo, &TonecEvent::theInfo, &ASN1::IA5String::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &DeactivateCause::theInfo, &ASN1::INTEGER::theInfo, &ASN1::OCTET_STRING::theInfo, &Stream::theInfo, &Stream::theInfo, &Empty::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::OCTET_STRING::theInfo, &SDEvent::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo, &ASN1::Null::theInfo};
constexpr const char* const Signal_selectionNames[] = {"query", "tonec", "number", "modemProceeding", "modemInformation", "activated", "deactivated", "abort", "userData", "receiver", "transmitter", "trunkStatus", "ioctl", "loadAvg", "cas", "rtpExt", "vad", "power", "protoZeri", "sd", "bss", "rtp", "selcal"};
constexpr ASN1::ChoiceInfo Signal::theInfo = {{&ASN1::make<Signal>, 0}, true, Signal_selectionInfos, 23, 23, nullptr, Signal_selectionNames};

constexpr const ASN1::TypeInfo* const PDU_selectionInfos[] = {&Command::theInfo, &Response::theInfo, &Signal::theInfo};
constexpr const char* const PDU_selectionNames[] = {"command", "response", "signal"};
constexpr ASN1::ChoiceInfo PDU::theInfo = {{&ASN1::make<PDU>, 0}, false, PDU_selectionInfos, 3, 3, nullptr, PDU_selectionNames};

constexpr const ASN1::TypeInfo* const Message_fieldInfos[] = {&ASN1::INTEGER::theInfo, &ASN1::Constrained_INTEGER<ASN1::FixedConstraint, 0, 1023u>::theInfo, &PDU::theInfo};
constexpr int Message_fieldIds[] = {0, 1, -1};
constexpr const char* const Message_fieldNames[] = {"seq", "slot", "pdu"};
constexpr ASN1::SequenceInfo Message::theInfo = {{&ASN1::make<Message>, 16}, false, Message_fieldInfos, Message_fieldIds, 3, 0, 2, nullptr, nullptr, Message_fieldNames};

}  // namespace TestLGCP
