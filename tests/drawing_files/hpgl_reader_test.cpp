#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing_files/drawing_file.h"
#include "drawing_files/hpgl.h"
#include "model/core_error.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

// Every figure the reader gives for an HPGL text, in order (empty ones included).
std::vector<tfigura> ReadAll(const std::string& text, double depthFactor = 1.0, Thpgl* keep = nullptr) {
    Thpgl own;
    Thpgl& r = keep ? *keep : own;
    DrawingReaderSettings settings;
    settings.mnoznikZ = depthFactor;
    r.OpenText(text, KindHpgl, settings);
    std::vector<tfigura> figures;
    std::size_t calls = 0;
    while (!r.EndOfFile) {
        if (++calls > text.size() + 2) {
            ADD_FAILURE() << "the reader does not reach the end";
            break;
        }
        tfigura f;
        r.ReadFigure(f);
        figures.push_back(std::move(f));
    }
    return figures;
}

std::vector<tfigura> Valid(const std::vector<tfigura>& all) {
    std::vector<tfigura> v;
    for (auto& f : all)
        if (f.Valid) v.push_back(f);
    return v;
}

std::vector<std::pair<double, double>> Points(const tfigura& f) {
    std::vector<std::pair<double, double>> p;
    for (auto& q : f.Contour) p.emplace_back(q.X, q.Y);
    return p;
}

using P = std::vector<std::pair<double, double>>;

}  // namespace

TEST(HpglReader, EmptyFileGivesNoFigureAndNoCall) {
    Thpgl r;
    r.OpenText("", KindHpgl);
    EXPECT_TRUE(r.EndOfFile);
    EXPECT_TRUE(ReadAll(";;  \r\n").empty() || !ReadAll(";;  \r\n")[0].Valid);
}

TEST(HpglReader, ClosedSquareOfPenOne) {
    auto all = Valid(ReadAll("IN;SP1;PU0,0;PD100,0,100,100,0,100,0,0;PU;"));
    ASSERT_EQ(all.size(), 1u);
    const tfigura& f = all[0];
    EXPECT_EQ(Points(f), (P{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}}));
    EXPECT_EQ(f.Layer, 1);
    EXPECT_FALSE(f.Open);
    EXPECT_EQ(f.StartIndex, 0);
    EXPECT_EQ(f.MinX, 0);
    EXPECT_EQ(f.MaxX, 100);
    EXPECT_EQ(f.MaxY, 100);
    EXPECT_EQ(f.CentreX, 50);
    EXPECT_EQ(f.Width, 100);
}

TEST(HpglReader, LastCommandOfTheFileIsCarriedOut) {
    // Without anything after it, and with a closing separator.
    for (const char* text : {"PU0,0;PD100,0", "PU0,0;PD100,0;", "PU0,0;PD100,0;\n"}) {
        auto all = Valid(ReadAll(text));
        ASSERT_EQ(all.size(), 1u) << text;
        EXPECT_EQ(Points(all[0]), (P{{0, 0}, {100, 0}})) << text;
    }
    // A last pen-up move read while the previous figure ended still moves the pen: nothing
    // is drawn, and the figures before it are unchanged.
    auto all = Valid(ReadAll("PD0,0,10,0;PU;PD20,0;"));
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(Points(all[1]), (P{{10, 0}, {20, 0}}));
}

TEST(HpglReader, PenChangeEndsTheFigureAndAppliesToTheNext) {
    auto all = ReadAll("SP1;PD0,0,10,0;SP2;PA20,0;PD30,0;PU;");
    auto v = Valid(all);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].Layer, 1);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {10, 0}}));
    EXPECT_EQ(v[1].Layer, 2);
    EXPECT_EQ(Points(v[1]), (P{{20, 0}, {30, 0}}));
}

TEST(HpglReader, RelativeModeHoldsFromPrToPa) {
    // PU and PD keep the mode in force: only PA ends relative mode.
    auto v = Valid(ReadAll("PR;PD10,0;PU;PD5,5;PU;"));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {10, 0}}));
    EXPECT_EQ(Points(v[1]), (P{{10, 0}, {15, 5}}));
    v = Valid(ReadAll("PR;PD10,0;PA;PU;PD5,5;PU;"));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(Points(v[1]), (P{{10, 0}, {5, 5}}));
    // Several relative pairs add up from where the pen stands.
    v = Valid(ReadAll("PA100,100;PR;PD10,0,0,10,-10,0,0,-10;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{100, 100}, {110, 100}, {110, 110}, {100, 110}, {100, 100}}));
    EXPECT_FALSE(v[0].Open);
}

TEST(HpglReader, RelativePairsStartFromThePensRealPosition) {
    // PR with the pen down draws; a pen-up move before it sets where it starts.
    auto v = Valid(ReadAll("PU100,0;PD;PR200,0;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{100, 0}, {300, 0}}));
    // Mixing absolute and relative figure after figure does not pile up the coordinates.
    v = Valid(ReadAll("PA1000,1000;PR;PD10,0;PU;PA2000,2000;PD;PR10,0;PU;PA1000,1000;PR;PD0,10;PU;"));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(Points(v[0]), (P{{1000, 1000}, {1010, 1000}}));
    EXPECT_EQ(Points(v[1]), (P{{2000, 2000}, {2010, 2000}}));
    EXPECT_EQ(Points(v[2]), (P{{1000, 1000}, {1000, 1010}}));
    // A relative pen-up move goes from the end of the last line drawn.
    v = Valid(ReadAll("PA0,0;PD50,0;PR;PU10,10;PD0,20;PU;"));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(Points(v[1]), (P{{60, 10}, {60, 30}}));
}

TEST(HpglReader, CommandsThatDoNotMoveThePenLeaveItWhereItIs) {
    auto v = Valid(ReadAll("PA0,0;LT-8,7.9;PD4000,0;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {4000, 0}}));
    v = Valid(ReadAll("IN;IP0,0,4000,4000;SC0,100,0,100;PU30,40;SI0.2,0.3;PS4000,2000;PD50,40;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{30, 40}, {50, 40}}));
}

TEST(HpglReader, ReturnToFirstPointOfTwoAddsNothing) {
    auto v = Valid(ReadAll("PU0,0;PD10,0;PD0,0;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {10, 0}}));
    v = Valid(ReadAll("PU0,0;PD10,0,10,10,0,0;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {10, 0}, {10, 10}, {0, 0}}));
}

TEST(HpglReader, PenWidthSetsTheDepthOfThePen) {
    Thpgl r;
    auto v = Valid(ReadAll("PW0.5,3;SP3;PU0,0;PD10,0;PU;SP4;PD20,0;PU;", 2.0, &r));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_DOUBLE_EQ(r.PenTable[3].Depth, 1.0);
    EXPECT_DOUBLE_EQ(v[0].Value, 1.0);
    EXPECT_EQ(v[0].Layer, 3);
    EXPECT_EQ(v[1].Value, 0.0);
    EXPECT_EQ(v[1].Layer, 4);
    // A single parameter sets every pen, whatever pair came before; none, the usual 0.35 mm.
    Thpgl r2;
    auto w = Valid(ReadAll("PS4000,2000;PW0.25;SP7;PD0,0,10,0;PU;", 2.0, &r2));
    ASSERT_EQ(w.size(), 1u);
    EXPECT_DOUBLE_EQ(w[0].Value, 0.5);
    EXPECT_DOUBLE_EQ(r2.PenTable[0].Depth, 0.5);
    EXPECT_DOUBLE_EQ(r2.PenTable[1024].Depth, 0.5);
    Thpgl r3;
    ReadAll("PW0.5,3;PW;", 1.0, &r3);
    EXPECT_DOUBLE_EQ(r3.PenTable[3].Depth, 0.35);
}

TEST(HpglReader, PenOutsideTheTableIsARangeError) {
    Thpgl r;
    r.OpenText("PU0,0;PD1,1;PU;PW0.3,1025;PD5,5;", KindHpgl);
    tfigura f;
    r.ReadFigure(f);
    EXPECT_TRUE(f.Valid);  // the figure before the fault stands
    try {
        while (!r.EndOfFile) {
            tfigura g;
            r.ReadFigure(g);
        }
        FAIL() << "no error";
    } catch (const CoreError& e) {
        EXPECT_EQ(e.kind(), CoreError::Kind::Range);
        EXPECT_NE(std::string(e.what()).find("1025"), std::string::npos);
    }
    // The message names the line of the PW itself, not the line of the command after it.
    Thpgl r3;
    try {
        ReadAll("IN;\nPW0.3,\n1025;\nPD5,5;\n", 1.0, &r3);
        FAIL() << "no error";
    } catch (const CoreError& e) {
        EXPECT_EQ(std::string(e.what()), "HPGL line 2: pen 1025 of PW is outside 0..1024");
    }
    // The pen in force when the pen goes down is checked too; selecting it alone is not.
    Thpgl r2;
    EXPECT_THROW(ReadAll("SP2000;PD1,1;PU;", 1.0, &r2), CoreError);
    EXPECT_NO_THROW(ReadAll("SP2000;PU1,1;SP1;PD2,2;PU;"));
}

TEST(HpglReader, PenNumberRoundsHalvesToEven) {
    auto v = Valid(ReadAll("SP2.5;PD0,0,1,0;PU;SP3.5;PD0,0,1,0;PU;"));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].Layer, 2);
    EXPECT_EQ(v[1].Layer, 4);
}

TEST(HpglReader, DecimalParametersReadAndMalformedNumbersStopTheFile) {
    // Decimals stand in any parameter (spectrum analysers write SR1.042,1.953).
    auto v = Valid(ReadAll("SR1.042,1.953;PU0,0;PD10.5,20.25,.5,5.;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {10.5, 20.25}, {0.5, 5}}));
    // A stray sign or a second point in a parameter is a malformed number.
    for (const char* text : {"PU0,0;PD10,2-5;PU;", "PD0,0,1.5.1,2;", "PD0,0,1,+-2;"}) {
        try {
            ReadAll(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const CoreError& e) {
            EXPECT_EQ(e.kind(), CoreError::Kind::Conversion) << text;
            EXPECT_NE(std::string(e.what()).find("HPGL line 1"), std::string::npos) << e.what();
        }
    }
    // The first parameter after a mnemonic takes the number it starts with.
    v = Valid(ReadAll("PU0,0;PD10-3,5;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {10, 5}}));
    EXPECT_THROW(ReadAll("PD0,1" + std::string(400, '0') + ";"), CoreError);
}

TEST(HpglReader, LfAndCrLfFilesReadAlike) {
    std::string lf = "IN;\nSP1;\nPU0,0;\nPD100,0,\n100,100;\n\nPU;\nPD5,5,6,6\n";
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    std::string cr = lf;
    for (char& c : cr)
        if (c == '\n') c = '\r';
    auto a = Valid(ReadAll(lf)), b = Valid(ReadAll(crlf)), c = Valid(ReadAll(cr));
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), a.size());
    ASSERT_EQ(c.size(), a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(Points(a[i]), Points(b[i]));
        EXPECT_EQ(Points(a[i]), Points(c[i]));
    }
}

TEST(HpglReader, LexerSplitsMnemonicsAndIsCaseBlind) {
    // PDPU is PD then PU; lower case reads as upper case.
    auto v = Valid(ReadAll("pu0,0pd10,0pdpu;pd20,20;pu;"));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {10, 0}}));
    EXPECT_EQ(Points(v[1]), (P{{10, 0}, {20, 20}}));
}

TEST(HpglReader, LabelTextIsNotTakenForCommands) {
    // Without the label skipped, its "PD100,100" would draw and its "SP" would end the figure.
    auto v = Valid(ReadAll("SP1;PU0,0;PD5,0;LBPD100,100 SPARE\x03PD10,0;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {5, 0}, {10, 0}}));
    EXPECT_EQ(v[0].Layer, 1);
    // DT sets another terminator; DT; goes back to ETX.
    v = Valid(ReadAll("DT*;PU0,0;LBPD7,7*;PD10,0;DT;LBx*PD3,3\x03PD20,0;PU;"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(Points(v[0]), (P{{0, 0}, {10, 0}, {20, 0}}));
}

TEST(HpglReader, PenUpMovesOnlyGiveNoValidFigure) {
    auto all = ReadAll("PU0,0;PU10,10;PA20,20;");
    EXPECT_TRUE(Valid(all).empty());
    for (auto& f : all) EXPECT_FALSE(f.Valid);
}

TEST(HpglReader, CommandCAppendsThePositionFirst) {
    auto all = ReadAll("PU5,5;C10,10;");
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(Points(all[0]), (P{{5, 5}}));
    EXPECT_FALSE(all[0].Valid);
}

TEST(HpglReader, MoveCommandEndsTheFigure) {
    auto v = Valid(ReadAll("PD0,0,10,0;M20,20;PD30,30;PU;"));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(Points(v[1]), (P{{20, 20}, {30, 30}}));
}

TEST(HpglReader, OpenFailureIsReturnedNotThrown) {
    test::TempDir dir;
    Thpgl r;
    int rc = 0;
    EXPECT_NO_THROW(rc = r.OpenInput(dir / "missing.plt", KindHpgl));
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, Thpgl::kFileInUse);
    EXPECT_NE(r.OpenError().find("missing.plt"), std::string::npos);
    EXPECT_NE(r.OpenInput(dir.path(), KindHpgl), 0);  // a folder
    auto result = ReadDrawingFile(dir / "missing.plt");
    EXPECT_FALSE(result.opened);
    EXPECT_FALSE(result.error.empty());
}

TEST(HpglReader, ReadsAFileThroughTheDrawingFileEntry) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "a.plt", "IN;SP1;PU0,0;PD400,0,400,400;PU;SP2;PD0,0;PD;PU;");
    auto result = ReadDrawingFile(dir / "a.plt");
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.kind, KindHpgl);
    EXPECT_TRUE(result.error.empty()) << result.error;
    ASSERT_GE(result.figures.size(), 1u);
    EXPECT_EQ(result.figures[0].Contour.size(), 3u);
    // A truncated file gives the figures before the fault and says where it broke off.
    test::WriteFileBytes(dir / "b.plt", "PU0,0;PD10,0;PU;PD1,2-5");
    result = ReadDrawingFile(dir / "b.plt");
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.figures.size(), 1u);
    EXPECT_EQ(result.error, "b.plt: HPGL line 1: \"2-5\" is not a number");
    // A pen number out of range names the line of its command.
    test::WriteFileBytes(dir / "c.plt", "PU0,0;PD10,0;PU;\nSP99999999999;PD0,0;");
    result = ReadDrawingFile(dir / "c.plt");
    EXPECT_EQ(result.figures.size(), 1u);
    EXPECT_EQ(result.error, "c.plt: HPGL line 2: pen number 99999999999 is out of range");
}

TEST(HpglReader, FileReadInChunksGivesTheSameFiguresAsTheText) {
    // Long enough for several chunks, with numbers and CR LF pairs cut by chunk boundaries.
    std::string text = "IN;PW0.5,2;\r\n";
    for (int f = 0; f < 3000; ++f) {
        text += "SP" + std::to_string(1 + f % 3) + ";PU" + std::to_string(f) + ",0;PD";
        for (int i = 1; i < 40; ++i) {
            text += std::to_string(f + i * 7) + "," + std::to_string((i * 131 + f) % 997);
            text += i + 1 < 40 ? "," : ";\r\n";
        }
    }
    ASSERT_GT(text.size(), 3 * DrawingText::kChunk);
    test::TempDir dir;
    test::WriteFileBytes(dir / "long.plt", text);
    Thpgl fromFile;
    ASSERT_EQ(fromFile.OpenInput(dir / "long.plt", KindHpgl), 0);
    auto expected = ReadAll(text);
    std::size_t i = 0;
    while (!fromFile.EndOfFile) {
        tfigura f;
        fromFile.ReadFigure(f);
        ASSERT_LT(i, expected.size());
        EXPECT_EQ(f.Contour, expected[i].Contour) << "figure " << i;
        EXPECT_EQ(f.Layer, expected[i].Layer);
        ++i;
    }
    EXPECT_EQ(i, expected.size());
    EXPECT_EQ(Valid(expected).size(), 3000u);
    fromFile.CloseInput();
    // Opening again starts afresh: pens cleared, pen 0, absolute moves.
    EXPECT_DOUBLE_EQ(fromFile.PenTable[2].Depth, 0.5);
    ASSERT_EQ(fromFile.OpenInput(dir / "long.plt", KindHpgl), 0);
    EXPECT_EQ(fromFile.CurrentPen, 0);
    EXPECT_EQ(fromFile.PenTable[2].Depth, 0.0);
    tfigura f;
    fromFile.ReadFigure(f);
    EXPECT_EQ(f.Contour, expected[0].Contour);
    EXPECT_DOUBLE_EQ(fromFile.PenTable[2].Depth, 0.5);
}

TEST(HpglReader, DxfAndGcodeGoThroughTheirReaders) {
    const std::string dxf =
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n62\n5\n10\n0\n20\n0\n11\n10\n21\n0\n"
        "0\nLINE\n8\n0\n62\n7\n10\n10\n20\n0\n11\n10\n21\n10\n0\nENDSEC\n0\nEOF\n";
    Thpgl r;
    r.OpenText(dxf, KindDxf);
    std::vector<tfigura> got;
    while (!r.EndOfFile) {
        tfigura f;
        r.ReadFigure(f);
        if (f.Valid) got.push_back(f);
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(Points(got[0]), (P{{0, 0}, {1000, 0}}));  // 100 units per mm
    EXPECT_EQ(got[1].Layer, 7);
    EXPECT_EQ(r.CurrentPen, 7);

    DrawingReaderSettings settings;
    settings.gcode = GcodeLimits{1, 2000, 0, 1000};
    r.OpenText("G0 X1 Y1\nG1 X2 Y1 F5000 S300\nG1 X2 Y3\n", KindGcode, settings);
    got.clear();
    while (!r.EndOfFile) {
        tfigura f;
        r.ReadFigure(f);
        got.push_back(f);
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].Layer, 3);
    EXPECT_EQ(Points(got[1]), (P{{200, 100}, {200, 300}}));  // a run starts at its first target
    EXPECT_EQ(got[1].Feed, 2000);                            // limited to the machine's range
    r.CloseInput();
    EXPECT_EQ(r.GcodePower(), 300);  // kept for the job writer after the file is closed
}
