// Parse throughput of the MIME reader against GMime 3 on the same bytes in the same run:
// 10,000 small messages, and a few messages with multi-megabyte base64 attachments. Our
// reader writes attachments to temporary files (removed again); GMime is measured parsing
// only, and parsing plus decoding every part into a null stream.
#include <gmime/gmime.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "jtext/base64.h"
#include "transport/message.h"
#include "transport/mime_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Base64Lines(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 57) {
    jtext::Base64EncodeAppend(std::string_view(bytes).substr(i, 57), out);
    out += "\r\n";
  }
  return out;
}

std::string RandomBytes(std::mt19937& rng, std::size_t n) {
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

std::string TextLines(std::mt19937& rng, std::size_t bytes) {
  static const char* kWords[] = {
      "mail",   "message",  "meeting",  "tomorrow",          "report", "the", "a",
      "please", "attached", "schedule", "\x1b$B%F%9%H\x1b(B"};
  std::string out, line;
  while (out.size() < bytes) {
    line += kWords[rng() % 11];
    line += ' ';
    if (line.size() > 60) {
      out += line + "\r\n";
      line.clear();
    }
  }
  return out;
}

std::string Header(std::mt19937& rng, int i, const std::string& content_type) {
  std::string h;
  h += "Return-Path: <sender" + std::to_string(i) + "@example.jp>\r\n";
  h += "Received: from mx.example.jp (mx.example.jp [192.0.2.1])\r\n\tby mail.example.jp with "
       "ESMTP id " +
       std::to_string(rng()) +
       "\r\n\tfor <user@example.jp>; Tue, 1 Dec 2026 "
       "10:00:00 +0900\r\n";
  h += "Message-ID: <" + std::to_string(rng()) + "." + std::to_string(i) + "@example.jp>\r\n";
  h += "Date: Tue, 01 Dec 2026 10:00:00 +0900\r\n";
  h += "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <sender" + std::to_string(i) + "@example.jp>\r\n";
  h += "To: user@example.jp, \"Other, Person\" <other@example.com>\r\n";
  h += "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= " + std::to_string(i) + "\r\n";
  h += "MIME-Version: 1.0\r\n";
  h += "X-Mailer: bench\r\n";
  h += "Content-Type: " + content_type + "\r\n";
  return h;
}

std::vector<std::string> SmallCorpus() {
  std::mt19937 rng(42);
  std::vector<std::string> msgs;
  for (int i = 0; i < 10000; ++i) {
    std::string m;
    switch (i % 4) {
      case 0:
      case 1:
        m = Header(rng, i, "text/plain; charset=ISO-2022-JP") + "\r\n" +
            TextLines(rng, 2000 + rng() % 4000);
        break;
      case 2:
        m = Header(rng, i, "multipart/alternative; boundary=\"alt-b\"") +
            "\r\nThis is a multi-part message in MIME format.\r\n\r\n--alt-b\r\n"
            "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
            "Content-Transfer-Encoding: 7bit\r\n\r\n" +
            TextLines(rng, 1500 + rng() % 2000) +
            "--alt-b\r\nContent-Type: text/html; charset=us-ascii\r\n"
            "Content-Transfer-Encoding: quoted-printable\r\n\r\n<html><body style=3D\"x\">=\r\n" +
            TextLines(rng, 1500 + rng() % 2000) + "</body></html>\r\n--alt-b--\r\n";
        break;
      default:
        m = Header(rng, i, "multipart/mixed; boundary=\"mix-b\"") +
            "\r\n--mix-b\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" +
            TextLines(rng, 1000 + rng() % 2000) +
            "--mix-b\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n"
            "Content-Transfer-Encoding: base64\r\n"
            "Content-Disposition: attachment; filename=\"a.bin\"\r\n\r\n" +
            Base64Lines(RandomBytes(rng, 1000 + rng() % 3000)) + "--mix-b--\r\n";
    }
    msgs.push_back(std::move(m));
  }
  return msgs;
}

std::vector<std::string> BigCorpus() {
  std::mt19937 rng(7);
  std::vector<std::string> msgs;
  for (std::size_t mb : {2, 4, 8}) {
    msgs.push_back(Header(rng, static_cast<int>(mb), "multipart/mixed; boundary=\"big-b\"") +
                   "\r\n--big-b\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n"
                   "--big-b\r\nContent-Type: application/zip; name=\"big.zip\"\r\n"
                   "Content-Transfer-Encoding: base64\r\n"
                   "Content-Disposition: attachment; filename=\"big.zip\"\r\n\r\n" +
                   Base64Lines(RandomBytes(rng, mb << 20)) + "--big-b--\r\n");
  }
  return msgs;
}

std::size_t Ours(const std::vector<std::string>& msgs) {
  std::size_t parts = 0;
  transport::TIdMessage m;
  m.DeleteTempFiles = true;
  for (const auto& bytes : msgs) {
    transport::LoadFromBytes(m, bytes);
    parts += m.Parts.Count() + m.Body.size();
  }
  m.Clear();
  return parts;
}

void DecodePart(GMimeObject*, GMimeObject* part, gpointer data) {
  if (!GMIME_IS_PART(part)) return;
  GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
  if (content == nullptr) return;
  GMimeStream* sink = g_mime_stream_null_new();
  *static_cast<gint64*>(data) += g_mime_data_wrapper_write_to_stream(content, sink);
  g_object_unref(sink);
}

std::size_t Gmime(const std::vector<std::string>& msgs, bool decode) {
  std::size_t parts = 0;
  for (const auto& bytes : msgs) {
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    if (message != nullptr) {
      gint64 written = 0;
      if (decode) g_mime_message_foreach(message, DecodePart, &written);
      parts += static_cast<std::size_t>(written > 0);
      ++parts;
      g_object_unref(message);
    }
    g_object_unref(parser);
    g_object_unref(stream);
  }
  return parts;
}

template <typename F>
double Seconds(F&& run) {
  static volatile std::size_t sink = 0;
  auto start = Clock::now();
  sink = sink + run();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

// The three contenders take turns in every round, so a busy machine slows them alike.
void Report(const char* name, const std::vector<std::string>& msgs, int rounds) {
  double bytes = 0;
  for (const auto& m : msgs) bytes += static_cast<double>(m.size());
  std::vector<double> ours, gm, gm_dec;
  for (int r = 0; r < rounds; ++r) {
    ours.push_back(Seconds([&] { return Ours(msgs); }));
    gm.push_back(Seconds([&] { return Gmime(msgs, false); }));
    gm_dec.push_back(Seconds([&] { return Gmime(msgs, true); }));
  }
  auto line = [&](const char* who, double s) {
    std::printf("  %-28s %9.1f MB/s %10.0f msg/s  (median of %d, %.3f s)\n", who, bytes / s / 1e6,
                static_cast<double>(msgs.size()) / s, rounds, s);
  };
  std::printf("%s: %zu messages, %.1f MB\n", name, msgs.size(), bytes / 1e6);
  line("yubinko reader", Median(ours));
  line("GMime parse", Median(gm));
  line("GMime parse + decode", Median(gm_dec));
  std::printf(
      "  throughput ratio yubinko / GMime parse: %.2f   yubinko / GMime parse+decode: %.2f\n",
      Median(gm) / Median(ours), Median(gm_dec) / Median(ours));
}

}  // namespace

int main(int argc, char** argv) {
  // mime_parse_bench [ROUNDS [small|big]]
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  std::string only = argc > 2 ? argv[2] : "";
  g_mime_init();
  if (only != "big") Report("small messages", SmallCorpus(), rounds);
  if (only != "small") Report("big base64 attachments", BigCorpus(), rounds);
  g_mime_shutdown();
  return 0;
}
