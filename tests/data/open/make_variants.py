#!/usr/bin/python3
"""Writes the small synthetic ODIM_H5 and CfRadial files beside this script that the reader tests
use next to the real files: the rstart rule of the two versions, absent optional items, values
beyond our codes, a two-sweep CfRadial volume and one broken file per error code.
Run it with Debian's python3-h5py and python3-netcdf4; the files are committed."""
import h5py
import netCDF4
import numpy as np


def odim(name, version, rstart, nrays=4, nbins=3, rows=4, bins=3, obj='SCAN', quantities=('DBZH', 'KDP', 'XYZ')):
    with h5py.File(name, 'w') as f:
        f.attrs['Conventions'] = np.bytes_('ODIM_H5/V2_%d' % version)
        what = f.create_group('what')
        what.attrs['object'] = np.bytes_(obj)
        what.attrs['version'] = np.bytes_('H5rad 2.%d' % version)
        what.attrs['date'] = np.bytes_('20240102')
        what.attrs['time'] = np.bytes_('030405')
        where = f.create_group('where')
        where.attrs['lat'] = 45.5
        where.attrs['lon'] = -7.25
        ds = f.create_group('dataset1')
        w = ds.create_group('where')
        w.attrs['nrays'] = np.int64(nrays)
        w.attrs['nbins'] = np.int64(nbins)
        w.attrs['rscale'] = 500.0
        w.attrs['rstart'] = rstart
        w.attrs['elangle'] = 1.5
        w.attrs['a1gate'] = np.int64(2)
        for k, quantity in enumerate(quantities, start=1):
            g = ds.create_group('data%d' % k)
            gw = g.create_group('what')
            gw.attrs['quantity'] = np.bytes_(quantity)
            if quantity == 'KDP':
                gw.attrs['gain'] = 1.0
                gw.attrs['offset'] = 0.0
                gw.attrs['nodata'] = -9999.0
                gw.attrs['undetect'] = -8888.0
                data = np.full((rows, bins), 1.25, dtype=np.float32)
                data[0, 0] = 1000.0   # beyond the highest code
                data[0, 1] = -1000.0  # below the lowest
                data[0, 2] = -8888.0  # undetect
            else:
                gw.attrs['gain'] = 0.5
                gw.attrs['offset'] = -32.0
                gw.attrs['nodata'] = 255.0
                gw.attrs['undetect'] = 0.0
                data = np.arange(rows * bins, dtype=np.uint8).reshape(rows, bins) + 60
                data[1, 0] = 255
                data[1, 1] = 0
            g.create_dataset('data', data=data)


odim('odim_v24_rstart_m.h5', 4, 2000.0)
odim('odim_v23_rstart_km.h5', 3, 2.0)
odim('bad_object.h5', 3, 0.0, obj='COMP')
odim('bad_rays.h5', 3, 0.0, nrays=5)
odim('bad_bins.h5', 3, 0.0, nbins=4)
odim('no_product.h5', 3, 0.0, quantities=('TV',))

with netCDF4.Dataset('cfradial_two_sweeps.nc', 'w', format='NETCDF4') as nc:
    nc.Conventions = 'CF/Radial'
    nc.createDimension('time', 6)
    nc.createDimension('range', 4)
    nc.createDimension('sweep', 2)
    nc.createDimension('string_length', 8)
    t = nc.createVariable('time', 'f8', ('time',))
    t.units = 'seconds since 2024-01-02T03:04:05Z'
    t[:] = [0, 1, 2, 30, 31, 32]
    r = nc.createVariable('range', 'f4', ('range',))
    r.units = 'meters'
    r[:] = [250, 500, 750, 1000]
    nc.createVariable('azimuth', 'f4', ('time',))[:] = [0, 120, 240, 10, 10, 10]
    nc.createVariable('elevation', 'f4', ('time',))[:] = [2.5, 2.5, 2.5, 5, 30, 60]
    nc.createVariable('latitude', 'f8', ())[...] = -33.5
    nc.createVariable('longitude', 'f8', ())[...] = 151.25
    nc.createVariable('sweep_start_ray_index', 'i4', ('sweep',))[:] = [0, 3]
    nc.createVariable('sweep_end_ray_index', 'i4', ('sweep',))[:] = [2, 5]
    nc.createVariable('fixed_angle', 'f4', ('sweep',))[:] = [2.5, 10]
    mode = nc.createVariable('sweep_mode', 'S1', ('sweep', 'string_length'))
    mode[:] = netCDF4.stringtochar(np.array(['azimuth_', 'rhi'], dtype='S8'))
    vel = nc.createVariable('VEL', 'i2', ('time', 'range'), fill_value=np.int16(-32768))
    vel.set_auto_maskandscale(False)
    vel.scale_factor = 0.01
    vel.add_offset = 0.0
    vel.standard_name = 'radial_velocity_of_scatterers_away_from_instrument'
    vel[:] = np.array([[100, -250, -32768, 0]] * 6, dtype=np.int16)
    width = nc.createVariable('WIDTH', 'f4', ('time', 'range'))
    width[:] = np.full((6, 4), 2.0, dtype=np.float32)
