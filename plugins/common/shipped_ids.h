#pragma once

// Class ids of the emitters and daemons that ship with Undaline, and the control ids of their
// parameter windows. Workspaces name a class by its id and the panels expect these numbers,
// so they never change.

namespace shipped {

enum EmitterClassId {
    kCircleId = 101,
    kSquareId = 102,
    kTriangleId = 103,
    kSphereId = 104,
    kCubeId = 105,
    kLinearId = 106,
    kCylinderId = 107,
    kSprayId = 110,
    kSequenceId = 111,
    kDropletsId = 112,
};

enum DaemonClassId {
    kWindId = 1,
    kAttractorId = 2,
    kGravityId = 3,
    kDragId = 4,
    kKillVolumeId = 5,
    kNoiseId = 6,
    kVortexId = 7,
    kSurfaceTensionId = 8,
    kSpeedLimitId = 9,
    kHeaterId = 10,
    kFreezeVolumeId = 11,
    kGroundPlaneId = 12,
    kRelaxId = 13,
};

// The daemon panel's buttons, left to right; daemons.so lists its classes in this order, with
// Relax, which has no button, last.
constexpr int kDaemonButtonOrder[] = {3, 1, 4, 2, 7, 6, 5, 9, 8, 10, 11, 12};

// Parameter fields. One id per meaning across all classes, so a field means the same thing in
// every window that has it. Position, scale and rotation are the common ids 1000 to 1008.
enum FieldId {
    kIdSize = 2001,        // radius, side or length of an emitter's shape
    kIdSpeed = 2002,
    kIdRandom = 2003,
    kIdStart = 2004,
    kIdStop = 2005,
    kIdWidth = 2006,
    kIdHeight = 2007,
    kIdDepth = 2008,
    kIdVelX = 2009,        // shown x, y, z of an initial velocity
    kIdVelY = 2010,
    kIdVelZ = 2011,
    kIdRate = 2012,
    kIdAngle = 2013,
    kIdStrength = 2020,
    kIdCoupling = 2021,
    kIdGusts = 2022,
    kIdLinear = 2023,
    kIdQuadratic = 2024,
    kIdFalloff = 2025,
    kIdRange = 2026,
    kIdRadius = 2027,
    kIdEddySize = 2028,
    kIdChange = 2029,
    kIdOutside = 2030,     // check box
    kIdMaxSpeed = 2031,
    kIdTemperature = 2032,
    kIdMelts = 2033,       // check box
    kIdMeltingPoint = 2034,
    kIdBounce = 2035,
    kIdFriction = 2036,
    kIdDirectory = 2040,   // text
    kIdPrefix = 2041,      // text
    kIdFirstFile = 2042,
    kIdHoldLast = 2043,    // check box
    kIdDropRadius = 2044,
    kIdStretch = 2045,
    kIdDetail = 2046,
};

// Label controls of a parameter window: kIdLabelBase + row.
constexpr int kIdLabelBase = 3000;

// The frozen value a freeze volume gives the particles it freezes; it thaws only these.
constexpr int kFrozenByVolume = 11;

}  // namespace shipped
