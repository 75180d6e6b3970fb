// The model loader's failure paths: each gives exactly its trace lines and its code, allocates
// nothing, and says in LastError what and where. No device is needed to reach them.
#include "world/mesh_model.h"

#include <gtest/gtest.h>

#include <string>

#include "app/trace_log.h"
#include "platform/xfile/xfile_errors.h"

namespace {
class MeshModelLoad : public ::testing::Test {
  protected:
    void SetUp() override { g_traceLog = TraceLog("."); }
    std::string Trace() const { return g_traceLog.Text(); }
    MeshModel m_model;
};
}  // namespace

TEST_F(MeshModelLoad, AMissingResourceFailsWithTheParsersCode) {
    EXPECT_EQ(m_model.LoadXFile(nullptr, "NOSUCHMODEL.X"), DXFILEERR_RESOURCENOTFOUND);
    EXPECT_EQ(Trace(), "\t\t\tpDXFile->CreateEnumObject1...\n\t\t\tFailed\n");
    EXPECT_NE(m_model.LastError().find("NOSUCHMODEL.X"), std::string::npos) << m_model.LastError();
}

TEST_F(MeshModelLoad, AMeshNamedNeitherWayFailsTheCountingPass) {
    EXPECT_EQ(m_model.LoadXFile(nullptr, "TEST_BADNAME.X"), E_FAIL);
    EXPECT_EQ(Trace(), "\t\t\tpDXFile->CreateEnumObject1...\n\t\t\tInvalidate Name\n");
    EXPECT_EQ(m_model.m_pMeshDisplay, nullptr);
    EXPECT_EQ(m_model.m_pMeshDammy, nullptr);
    EXPECT_NE(m_model.LastError().find("'wingMesh' (line 9)"), std::string::npos)
        << m_model.LastError();
}

TEST_F(MeshModelLoad, UnequalDisplayAndDammyCountsFail) {
    EXPECT_EQ(m_model.LoadXFile(nullptr, "TEST_UNEQUAL.X"), E_FAIL);
    EXPECT_EQ(Trace(),
              "\t\t\tpDXFile->CreateEnumObject1...\n"
              "\t\t\tm_dwMeshDisplayNum != m_dwMeshDammyNum\n");
    EXPECT_EQ(m_model.m_dwMeshDisplayNum, 2u);
    EXPECT_EQ(m_model.m_dwMeshDammyNum, 1u);
    EXPECT_EQ(m_model.m_pMeshDisplay, nullptr);
}

TEST_F(MeshModelLoad, ADataReferenceInsideAFrameFails) {
    EXPECT_EQ(m_model.LoadXFile(nullptr, "TEST_FRAMEREF.X"), E_FAIL);
    EXPECT_EQ(Trace(), "\t\t\tpDXFile->CreateEnumObject1...\n");
    EXPECT_NE(m_model.LastError().find("data reference (line 15)"), std::string::npos)
        << m_model.LastError();
    EXPECT_EQ(m_model.m_pMeshDisplay, nullptr);
}

TEST_F(MeshModelLoad, ANameThatDoesNotFitIsRefusedBeforeAnyWork) {
    const std::string longName(600, 'A');
    EXPECT_EQ(m_model.LoadXFile(nullptr, longName.c_str()), E_FAIL);
    EXPECT_EQ(Trace(), "");
}
