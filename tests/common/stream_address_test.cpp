#include "common/stream_address.h"

#include <gtest/gtest.h>

using rz4::common::isNetworkStream;

TEST(StreamAddress, AcceptsEveryNetworkSchemeInAnyCase) {
    for (const char* a : {"http://h/x.m3u8", "https://h/x", "rtmp://h/live", "rtmps://h/l",
                          "rtsp://h:554/s", "rtp://239.0.0.1:5004", "udp://@239.0.0.1:1234",
                          "mms://h/s", "mmsh://h/s", "srt://h:9000", "HTTP://H/X", "Rtsp://h/s"}) {
        EXPECT_TRUE(isNetworkStream(a)) << a;
    }
}

TEST(StreamAddress, RefusesLocalAndPlayerInternalAddresses) {
    for (const char* a :
         {"", "/etc/passwd", "file:///etc/passwd", "av://lavfi:testsrc", "lavfi://sine",
          "edl://a;b", "memory://abc", "C:\\tv.ts", "http:/h/x", "http://", "ftp://h/x",
          "hls+http://h/x", " http://h/x", "httpx://h", "ytdl://x"}) {
        EXPECT_FALSE(isNetworkStream(a)) << a;
    }
}
