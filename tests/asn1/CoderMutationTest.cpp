// Mutated and random input for the BER decoder and the value-notation parser: every
// input decodes cleanly or fails cleanly, and a value that decodes and is valid encodes
// again and decodes to an equal value.

#include "FullValues.h"
#include "TestModule.h"

#include <gtest/gtest.h>

#include <random>

using namespace asn1test;
using namespace TestLGCP;
using ASN1::CoderEnv;
using ASN1::Octets;

namespace {

// One message per alternative of every command, response and signal, full otherwise.
std::vector<Octets> seeds(int rule) {
  std::vector<Octets> out;
  for (const ASN1::TypeInfo* pdu : {&Command::theInfo, &Response::theInfo, &Signal::theInfo})
    for (auto& alternative : fullValues(pdu)) {
      Message m;
      m.set_seq(-3);
      m.set_slot(1000);
      int which = pdu == &Command::theInfo ? PDU::command_id : pdu == &Response::theInfo ? PDU::response_id : PDU::signal_id;
      m.get_pdu().setSelection(which, alternative.release());
      Octets octets;
      if (ASN1::encode(m, CoderEnv(rule), octets)) out.push_back(octets);
    }
  return out;
}

// Flips bits (BER) or puts other characters (text) in a seed, sometimes cuts or extends it.
Octets mutate(Octets body, int rule, std::mt19937& random) {
  static const char punctuation[] = ",{}:'\" \n-0123456789ABHx";
  for (int changes = 1 + random() % 3; changes && !body.empty(); --changes) {
    unsigned char& at = body[random() % body.size()];
    at = rule == CoderEnv::ber ? at ^ (1 << (random() % 8)) : punctuation[random() % (sizeof punctuation - 1)];
  }
  if (random() % 4 == 0) body.resize(random() % (body.size() + 4), static_cast<unsigned char>(random()));
  return body;
}

// Returns how many of the inputs decoded.
int decodeMutations(int rule, int rounds) {
  std::vector<Octets> bodies = seeds(rule);
  EXPECT_EQ(bodies.size(), 40u);
  std::mt19937 random(20240611);
  int decoded = 0;
  for (int round = 0; round < rounds; ++round) {
    Octets body = mutate(bodies[random() % bodies.size()], rule, random);
    if (round % 8 == 0) {
      body.resize(random() % 48);
      for (auto& o : body) o = static_cast<unsigned char>(random());
    }
    Message m;
    if (!ASN1::decode(body, CoderEnv(rule), m)) continue;
    ++decoded;
    if (m.isValid()) {
      EXPECT_EQ(roundTripFailure(m, rule), "") << toHex(body);
    }
  }
  return decoded;
}

}  // namespace

TEST(CoderMutationTest, BerBodies) { EXPECT_GT(decodeMutations(CoderEnv::ber, 100000), 5000); }

TEST(CoderMutationTest, ValueNotationTexts) { EXPECT_GT(decodeMutations(CoderEnv::avn, 100000), 2000); }
