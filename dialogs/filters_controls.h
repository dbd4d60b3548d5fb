#pragma once

#include <array>

// Control identifiers of the Filters dialog (template 3072): the same
// controls for each of its ten filters, and the dialog's buttons.
namespace filters {

inline constexpr unsigned kTemplateId = 3072;

enum : int {
  kOkButton = 1,
  kCancelButton = 2,
};

// The controls of one filter. The F2 edit and unit lie where the Q edit
// does; lead-lag filters show them in its place.
struct FilterControls {
  int group;
  int onOff;  // check box, captioned "On" or "Off"
  int locationLabel;
  int location;  // combo box
  int typeLabel;
  int type;    // combo box
  int qLabel;  // "Q", or "Lag Frequency" for lead-lag filters
  int q;
  int frequencyLabel;  // "Frequency", or "Lead Frequency"
  int f1;
  int f1Unit;
  int f2;
  int f2Unit;
};

// Filter k is kFilterControls[k - 1].
inline constexpr std::array<FilterControls, 10> kFilterControls{{
    {3484, 3485, 3503, 3502, 3486, 3487, 3488, 3489, 3490, 3491, 3508, 3504, 3510},
    {3492, 3493, 3501, 3500, 3494, 3495, 3496, 3497, 3498, 3499, 3509, 3505, 3511},
    {3517, 3518, 3527, 3526, 3520, 3519, 3521, 3523, 3522, 3524, 3525, 3506, 3512},
    {3507, 3513, 3544, 3543, 3515, 3514, 3516, 3535, 3528, 3536, 3539, 3556, 3557},
    {3529, 3530, 3542, 3541, 3532, 3531, 3533, 3537, 3534, 3538, 3540, 3558, 3559},
    {3545, 3546, 3555, 3554, 3548, 3547, 3549, 3551, 3550, 3552, 3553, 3560, 3561},
    {3562, 3563, 3583, 3582, 3565, 3564, 3566, 3574, 3567, 3575, 3578, 3595, 3596},
    {3568, 3569, 3581, 3580, 3571, 3570, 3572, 3576, 3573, 3577, 3579, 3597, 3598},
    {3584, 3585, 3594, 3593, 3587, 3586, 3588, 3590, 3589, 3591, 3592, 3599, 3600},
    {3614, 3615, 3624, 3623, 3617, 3616, 3618, 3620, 3619, 3621, 3622, 3625, 3626},
}};

}  // namespace filters
